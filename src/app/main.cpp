#include "app/Application.h"
#include "app/Options.h"

#include <iostream>

#include "check/DemoChecker.h"

int main(int argc, char** argv)
{
    const orv::app::ParsedOptions parsed = orv::app::parseOptions(argc, argv);
    if (!parsed.options)
        return parsed.exitCode;
    if (parsed.options->check)
        return orv::check::DemoChecker::checkFolder(parsed.options->demoDir, std::cout, std::cerr);
    return orv::app::Application(*parsed.options).run();
}
