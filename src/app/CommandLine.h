#pragma once
// The command line: its strict parser, the data a call carries to the running program in
// WM_COPYDATA, and the answers that come back. Pure functions over plain values.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/LocalTime.h"
#include "base/TimeText.h"
#include "power/WantedState.h"

enum class SwitchWord : std::uint8_t { None, On, Off, Toggle };
// Chosen: monitor numbers (N[,N...]); Idle only in the status.
enum class BlackScreenWord : std::uint8_t { None, All, Current, Off, Toggle, Others, Chosen, Idle };
enum class CallKind : std::uint8_t { Modes, Exit, Status, Help };
enum class EndKind : std::uint8_t { None, For, Until };

// One mode option: its word and, after "on", an end given as a duration or a time of day.
struct ModeRequest {
  SwitchWord word = SwitchWord::None;  // None: the option was not given
  EndKind end = EndKind::None;
  std::uint32_t forSeconds = 0;  // EndKind::For: 1 .. 604800
  int untilHour = 0, untilMinute = 0;  // EndKind::Until: 0..23, 0..59
};

struct CommandLineCall {
  CallKind kind = CallKind::Modes;
  ModeRequest preventSleep;
  ModeRequest keepActive;
  BlackScreenWord blackScreen = BlackScreenWord::None;
  std::uint64_t monitors = 0;  // Chosen: the set of monitor numbers (base/Monitors.h)
};

// At most this many numbers in --black-screen N[,N...].
inline constexpr std::size_t kMaxChosenMonitors = 16;

// Parses the arguments (without the program name). A call is returned only when every argument is
// valid; otherwise `error` (when given) receives one line in English that names the option, the word
// it got and what it takes, such as: --keep-active takes on, off or toggle, not "maybe". Monitor
// numbers and `others` are checked against the number of monitors (as ListMonitors counts them): the
// caller checks against its own view and the running program again, with the monitors it has then.
std::optional<CommandLineCall> ParseCommandLine(const std::vector<std::wstring>& arguments,
                                                std::wstring* error = nullptr, std::size_t monitorCount = 1);
// When a request's end comes, given the clocks now: a duration on the UTC clock, a time of day on
// the local one (its next occurrence); time 0 when it has none.
SessionEnd RequestedEnd(const ModeRequest& request, LocalTime localNow, UtcTime utcNow);

// ---- the message: WM_COPYDATA with our tag, each argument followed by U+0000 ----
inline constexpr ULONG_PTR kCommandLineCopyDataTag = 0x4C42'4D55;  // "UMBL"
inline constexpr std::size_t kMaxCommandLineDataBytes = 4096;
// The data for the arguments; empty when it would exceed the limit.
std::wstring EncodeCommandLineData(const std::vector<std::wstring>& arguments);
// The arguments of a received message. The length comes from cbData alone: it must be even, at most
// 4096 bytes, and end with U+0000; no argument may be empty. Nothing otherwise.
std::optional<std::vector<std::wstring>> DecodeCommandLineData(ULONG_PTR tag, const void* data, DWORD bytes);

// ---- answers (never 0, so a program that does not know the message, answering 0, is told apart) ----
inline constexpr LRESULT kAnswerApplied = 0x554C'0001;
inline constexpr LRESULT kAnswerUsage = 0x554C'0002;
inline constexpr LRESULT kAnswerStarting = 0x554C'0003;  // start-up has not finished: ask again
// A status answer has the top bit set; below it the modes and the pending ends to the minute. The
// black screen is packed as an older caller reads it: off, all (also an idle one) or current (any
// other part of the monitors).
struct ProgramStatus {
  bool preventSleep = false;
  bool keepActive = false;
  BlackScreenWord blackScreen = BlackScreenWord::Off;  // Off, All, Current, Others, Chosen or Idle
  std::uint64_t monitors = 0;  // Chosen: the numbers of the monitors covered
  LocalTime preventSleepUntil = 0;
  LocalTime keepActiveUntil = 0;
};
LRESULT EncodeStatusAnswer(const ProgramStatus& status);
bool DecodeStatusAnswer(LRESULT answer, ProgramStatus& status);
// One line per item, each ended by CR LF: "prevent-sleep on until 2026-12-06 16:30", ... (the packed
// answer's lines, as a running copy that sends no status lines is printed)
std::wstring FormatStatusLines(const ProgramStatus& status);

// ---- the status lines: WM_COPYDATA with their own tag, sent by the running program to the caller's
// reply window (a message-only window of this class, whose handle the call carries in wParam)
// before it answers a status call ----
inline constexpr ULONG_PTR kStatusLinesCopyDataTag = 0x5453'4D55;  // "UMST"
inline constexpr std::size_t kMaxStatusLinesBytes = 4096;
inline constexpr wchar_t kStatusReplyWindowClass[] = L"Umbraline.StatusReply";
// The lines of the modes in force and the black screen, each ended by CR LF: "prevent-sleep on while
// obs64.exe", "keep-active paused locked", "black-screen all" (or "1,3": the chosen numbers), then one
// line per monitor in number order: "monitor 1 0,0 1920x1080 primary", "monitor 2 -1280,0 1280x1024".
std::wstring StatusLines(const WantedState& wanted, BlackScreenWord blackScreen, std::uint64_t chosen = 0,
                         std::span<const RECT> monitors = {});
// The lines of a received message. The length comes from cbData alone: it must be even and at most
// 4096 bytes; the text must be well-formed UTF-16 without U+0000 and end with CR LF. Nothing otherwise.
std::optional<std::wstring> DecodeStatusLines(ULONG_PTR tag, const void* data, DWORD bytes);

// Exit codes of a call.
inline constexpr int kExitApplied = 0;
inline constexpr int kExitNoAnswer = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotRunning = 3;

// The synopsis and a short help, lines ended by CR LF.
std::wstring CommandLineUsage();
