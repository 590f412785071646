#pragma once

#include <string>
#include <string_view>
#include <vector>

// Paths as users write them: specification files written on Windows use `\`, which counts as a
// separator wherever the program touches the file system, and their names may differ in
// letter case from the files on disk.
namespace kiv::path {

// `\` turned into `/`.
std::string withSlashes(std::string_view path);

// An absolute path with `.` and `..` resolved, relative ones taken against the current
// directory (or `base` when given). Separators are `/`; the result has no trailing `/`
// except for the root itself.
std::string fullPath(std::string_view path, std::string_view base = {});

// The path itself when it exists; otherwise, when every missing component has exactly one
// entry in its folder that differs only in letter case, the path with those entries;
// otherwise the path as given (with slashes).
std::string resolveExisting(std::string_view path);

// The folder part without its final `/` ("" when there is none; "/" for a file in the root).
std::string directoryOf(std::string_view path);
// The part after the last separator.
std::string fileNameOf(std::string_view path);

// The names of the regular files in the pattern's folder that match its last component, a
// shell wildcard compared without regard to letter case; sorted by name.
std::vector<std::string> listMatchingFiles(std::string_view pattern);

bool exists(std::string_view path);
bool isDirectory(std::string_view path);

// The folder of the running executable.
std::string executableDirectory();
std::string currentDirectory();

}  // namespace kiv::path
