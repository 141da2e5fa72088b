// The scene's objects live once per process, as in the saver; a scenario
// that creates its own scene window therefore runs in a child process.
#pragma once

#include <functional>
#include <string>

// Runs `scenario` in a forked child and returns what it reported, with a
// note added when the child ended abnormally: empty when all checks held.
std::string inChild(const std::function<std::string()>& scenario);
