#pragma once
#include <getopt.h>

#include <cstdint>
#include <string>

namespace xvf {

// Option values shared by xvf-aspect, xvf-demo and host-standin, parsed
// strictly: nothing may follow or precede the value.

// "WxH", both decimal in 1..2^31-1.
bool ParseSize(const std::string& text, int32_t* width, int32_t* height);

// Decimal digits only (an optional '-' when low < 0), in low..high.
bool ParseWhole(const std::string& text, int64_t low, int64_t high, int32_t* value);

// "N:D", both decimal in 0..2^31-1 (YUV4MPEG2's "0:0" for unknown).
bool ParseRatio(const std::string& text, int32_t* num, int32_t* den);

// getopt_long over argv from the start (optind reset), errors left to the
// caller: `shortOptions` must begin with ':'. Returns as getopt_long does.
int NextOption(int argc, char* const* argv, const char* shortOptions, const option* longOptions, bool first);

// The one-line reason for getopt_long's '?' or ':' at the current optind.
std::string OptionErrorText(int code, char* const* argv);

// "PROGRAM: MESSAGE (try PROGRAM --help)" on standard error; returns 2.
int OptionError(const char* program, const std::string& message);

// "PROGRAM VERSION" on standard output; returns the exit status.
int PrintVersion(const char* program);

// The options every tool answers and stops at: 'h' puts `help` on standard
// output, versionCode runs PrintVersion. Returns the exit status for those
// two codes (1 when standard output took not all of it), -1 for any other.
int HelpOrVersion(int code, int versionCode, const char* program, const char* help);

}  // namespace xvf
