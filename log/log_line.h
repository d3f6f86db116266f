#pragma once
// The text line of a log record and the time stamp it carries.

#include <cstdint>
#include <string>

#include "log/log_record.h"

namespace krv::log {

// A FILETIME split into its calendar fields (UTC), as FileTimeToSystemTime
// gives them.
struct CalendarTime {
  uint16_t year, month, day, hour, minute, second, millisecond;
};

// Splits a FILETIME into calendar fields. Returns false, leaving `out`
// unchanged, for values FileTimeToSystemTime refuses (the top bit set).
bool calendar_time_from_file_time(uint64_t file_time, CalendarTime& out);

// "YYYY-MM-DD hh:mm:ss.mmm" for a FILETIME; "" when it cannot be converted.
std::string format_log_time(uint64_t file_time);

// The record as one line: the header "[time] [level  ] [category   ]
// [  pid:  tid] " (64 characters for ids of up to 5 digits), the message with
// each "\n" followed by as many spaces as the header is long, and a final
// "\n". "" when the record's time cannot be converted.
std::string format_line(const LogRecord& record);

// `line` with every "\n" replaced by "\r\n", as written to the log file.
std::string to_crlf(const std::string& line);

// Replaces every "\r\n" in `text` by "\n".
void normalize_line_ends(std::string& text);

}  // namespace krv::log
