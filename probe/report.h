// The one report: findings worst first, wrapped between words, and the
// exit code they give; and how numbers, paths and times read in it.
#pragma once

#include "probe/judge.h"

std::string FormatReport(Findings findings);
int ExitCodeOf(const Findings& findings);  // 2 refused, 1 something to fix or still to do, 0 all well
int Report(const Findings& findings);      // prints; returns the exit code

// Words as one paragraph of the report's width, with no mark; a step of a list.
std::string Paragraph(const std::string& words);
std::string Listed(const std::string& step);
// A number as players read it: plain, never an exponent.
std::string Plain(double value, int decimals);
// A path for a finding's words, its blanks kept: the report never breaks a line in it.
constexpr char kKeptBlank = '\x1F';
std::string Path(const std::wstring& path);
// `text` kept on one line of the report: a command to copy whole.
std::string Unbroken(std::string text);
// A time in ms since 1601 (UTC) as the player's clock shows it: "08.12.2026 at 21:15".
std::string LocalTime(int64_t milliseconds);
// A key's line: "headviewing_offset=0.0".
std::string LineOf(const KeyValue& set);
