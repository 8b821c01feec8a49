// Catching the program's fatal stop in tests.
#pragma once

#include <functional>
#include <optional>
#include <string>

// Runs fn. When it ends the program through PrintMessageAndExit (Fail), the
// stop is caught and its text returned ("" for a stop without a message);
// std::nullopt when fn returns normally. Exit functions do not run.
std::optional<std::string> CatchFatal(const std::function<void()>& fn);

#define EXPECT_FATAL(statement, text) EXPECT_EQ(CatchFatal([&] { statement; }), std::optional<std::string>(text))
#define EXPECT_NO_FATAL(statement) EXPECT_EQ(CatchFatal([&] { statement; }), std::nullopt)
