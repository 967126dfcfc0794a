#pragma once

#include "app/Application.h"

#include <memory>

// The application with all commands of the program, in their dispatch order. The only place
// that knows the six commands.
std::unique_ptr<Application> buildApplication();
