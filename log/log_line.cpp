#include "log/log_line.h"

#include <cstdio>

namespace krv::log {

namespace {

constexpr uint64_t kTicksPerMillisecond = 10000;
constexpr uint64_t kMillisecondsPerDay = 86400000;
// Days from 0000-03-01 (the start of the proleptic era used below) to 1601-01-01.
constexpr int64_t kEraDaysTo1601 = 584694;

}  // namespace

bool calendar_time_from_file_time(uint64_t file_time, CalendarTime& out) {
  if (file_time >> 63) return false;
  uint64_t ms_total = file_time / kTicksPerMillisecond;
  uint64_t ms_of_day = ms_total % kMillisecondsPerDay;
  // Civil date from a day count (400-year eras of 146097 days, years starting
  // in March so that the leap day is the last of the year).
  int64_t days = static_cast<int64_t>(ms_total / kMillisecondsPerDay) + kEraDaysTo1601;
  int64_t era = days / 146097;
  int64_t day_of_era = days - era * 146097;
  int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  int64_t month_index = (5 * day_of_year + 2) / 153;
  int64_t day = day_of_year - (153 * month_index + 2) / 5 + 1;
  int64_t month = month_index < 10 ? month_index + 3 : month_index - 9;
  int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  out.year = static_cast<uint16_t>(year);
  out.month = static_cast<uint16_t>(month);
  out.day = static_cast<uint16_t>(day);
  out.hour = static_cast<uint16_t>(ms_of_day / 3600000);
  out.minute = static_cast<uint16_t>(ms_of_day / 60000 % 60);
  out.second = static_cast<uint16_t>(ms_of_day / 1000 % 60);
  out.millisecond = static_cast<uint16_t>(ms_of_day % 1000);
  return true;
}

std::string format_log_time(uint64_t file_time) {
  CalendarTime t;
  if (!calendar_time_from_file_time(file_time, t)) return std::string();
  char text[32];
  std::snprintf(text, sizeof text, "%04hu-%02hu-%02hu %02hu:%02hu:%02hu.%03hu", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  return text;
}

std::string format_line(const LogRecord& record) {
  std::string time = format_log_time(record.time);
  if (time.empty()) return std::string();
  // The precision keeps the read inside the category's field even when it
  // lacks its terminating zero.
  char header[128];
  int length = std::snprintf(header, sizeof header, "[%s] [%-7s] [%-11.11s] [%5lu:%5lu] ", time.c_str(),
                             level_name(record.level), record.category.name,
                             static_cast<unsigned long>(record.process_id),
                             static_cast<unsigned long>(record.thread_id));
  if (length <= 0) return std::string();
  std::string line(header, static_cast<size_t>(length));
  line.reserve(line.size() + record.message.size() + 1);
  for (char c : record.message) {
    line.push_back(c);
    if (c == '\n') line.append(static_cast<size_t>(length), ' ');
  }
  line.push_back('\n');
  return line;
}

std::string to_crlf(const std::string& line) {
  std::string out;
  out.reserve(line.size() + line.size() / 32 + 2);
  for (char c : line) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

void normalize_line_ends(std::string& text) {
  size_t write = 0;
  for (size_t read = 0; read < text.size(); ++read) {
    if (text[read] == '\r' && read + 1 < text.size() && text[read + 1] == '\n') continue;
    text[write++] = text[read];
  }
  text.resize(write);
}

}  // namespace krv::log
