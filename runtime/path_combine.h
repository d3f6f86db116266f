#pragma once
// The runtime's path join for a folder read from the registry or a settings
// file. It differs from JoinPath (runtime/path_join.h), the file functions'
// join, in that the folder may carry blanks and quotes around it and may end
// in a slash.

#include <string>

namespace krv::os {

// `folder` joined with `name`: leading and trailing blanks and tabs of the
// folder are trimmed; surrounding double quotes are taken off and put back
// around the result; a backslash is inserted unless the folder ends in a
// backslash or slash, or the name starts with one (or either is empty).
std::wstring combine_path(const std::wstring& folder, const std::wstring& name);

}  // namespace krv::os
