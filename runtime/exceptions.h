#pragma once
// The exceptions of the runtime layer: `error` for recoverable failures,
// `fatal` for broken invariants. Both carry a printf-formatted narrow message
// made when the exception is raised and a signed 32-bit code (-1 when none).

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <string>

#if defined(__clang__)
// clang knows no gnu_printf; its printf checking is the C99 one.
#define KRV_PRINTF_FORMAT(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#elif defined(__GNUC__)
#define KRV_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define KRV_PRINTF_FORMAT(format_index, first_arg)
#endif

namespace krv::exceptions {

// Where an exception was raised; diagnostic only. `file` is null when unknown.
struct code_location {
  const char* file = nullptr;
  int line = 0;
};

// The location of the line that uses it.
#define KRV_HERE (::krv::exceptions::code_location{__FILE__, __LINE__})

// The code of an exception raised without one.
constexpr int32_t kNoCode = -1;

namespace detail {

// Common base of `error` and `fatal`. Copyable, as every thrown type must be.
class base : public std::exception {
 public:
  // The formatted message, or "Unknown exception" when there is none.
  const char* what() const noexcept override;

  // The formatted message; empty when the exception was raised without one
  // (or when formatting failed).
  const std::string& message() const noexcept { return message_; }

  // The code given when raised, or kNoCode.
  int32_t code() const noexcept { return code_; }

  // Where the exception was raised; `file` is null unless set by throw_at.
  const code_location& location() const noexcept { return location_; }
  void set_location(const code_location& where) noexcept { location_ = where; }

 protected:
  // No message.
  explicit base(int32_t code) noexcept : code_(code) {}

  // Formats the message with the C runtime's printf rules (C99 in both
  // builds). A failed format leaves the message empty.
  void format_message(const char* format, va_list args);

 private:
  std::string message_;
  int32_t code_;
  code_location location_;
};

}  // namespace detail

// A recoverable failure: a Windows error code, a code and a message, or a
// message alone (code -1).
class error : public detail::base {
 public:
  explicit error(int32_t code) noexcept : base(code) {}
  error(int32_t code, const char* format, ...) KRV_PRINTF_FORMAT(3, 4);
  explicit error(const char* format, ...) KRV_PRINTF_FORMAT(2, 3);
};

// A broken invariant of the runtime; code -1 unless given.
class fatal : public detail::base {
 public:
  explicit fatal(int32_t code) noexcept : base(code) {}
  fatal(int32_t code, const char* format, ...) KRV_PRINTF_FORMAT(3, 4);
  explicit fatal(const char* format, ...) KRV_PRINTF_FORMAT(2, 3);
};

// Raises `exception` with its location set: throw_at(KRV_HERE, error(87)).
// The thrown object has the static type E, so nothing is sliced off.
template <class E>
[[noreturn]] void throw_at(const code_location& where, E exception) {
  exception.set_location(where);
  throw exception;
}

}  // namespace krv::exceptions
