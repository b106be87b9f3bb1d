#pragma once
// Built-in texts by number (the framework's standard messages), with one replaceable loader in
// front of them: while a loader is installed, LoadResString asks it first and takes its answer;
// without one (or when it has none for the number) the built-in text is the result. The
// localisation kit installs its loader while its resource-string translation is switched on.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

using TResourceStringLoader = std::function<std::optional<std::string>(int id)>;

// Installs the loader (an empty function removes it). Safe from any thread; a call of
// LoadResString that runs meanwhile uses either the old or the new loader.
void SetResourceStringLoader(TResourceStringLoader loader);
bool HasResourceStringLoader();

// The text of built-in string `id`: the loader's answer, else `builtIn`.
std::string LoadResString(int id, std::string_view builtIn);
