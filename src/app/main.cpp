#include "app/Application.h"
#include "app/Options.h"

int main(int argc, char** argv)
{
    const orv::app::ParsedOptions parsed = orv::app::parseOptions(argc, argv);
    if (!parsed.options)
        return parsed.exitCode;
    return orv::app::Application(*parsed.options).run();
}
