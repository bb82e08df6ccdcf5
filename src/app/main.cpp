#include "app/Application.h"

int main() { return orv::app::Application().run(); }
