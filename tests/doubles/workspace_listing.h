#pragma once
// The updater stand-in's record of what it was given: its command line and
// the workspace's files.

#include <string>

namespace krv::pkgrun {

// The folder named by the option "/vps_upd:" in `command_line`: the text in
// double quotes when the value starts with one, else up to the next blank.
// Empty when the option is absent.
std::wstring WorkspaceOf(const std::wstring& command_line);

// The record, UTF-8 with LF line ends:
//   command_line: <command line, byte for byte>
//   current_folder: <the folder the process started in>
//   workspace: <folder>
//   folder: <relative path>
//   file: <relative path> TAB <size> TAB <SHA-256, lower-case hex> TAB <last write, UTC, YYYY-MM-DD hh:mm:ss.mmm>
//   workspace_error: <system error>   (no folder given, or it cannot be listed)
//   end
// Entries are sorted by relative path (backslash separated), each folder
// before what it holds.
std::string MakeRecord(const std::wstring& command_line, const std::wstring& current_folder,
                       const std::wstring& workspace);

}  // namespace krv::pkgrun
