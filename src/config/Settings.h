#pragma once
// The settings held in memory and the enumerations whose names are the words of config.ini.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Helpers.h"
#include "config/ProgramList.h"

enum class NudgeKind : std::int32_t { Mouse = 0, F15 = 1 };

enum class OverlayAction : std::int32_t {
  BlackAll = 0,
  BlackCurrent = 1,
  AwayAll = 2,
  AwayCurrent = 3,
  BlackOthers = 4,
};

enum class ClockDisplayMode : std::int32_t { None = 0, Time = 1, Elapsed = 2, TimeAndElapsed = 3 };

// One row per word config.ini may hold for a value of an enumeration. The first row of a value
// gives the word written and, where the menu offers the value, its label (the English text, which
// is the key of its translations); the further rows are older or alternative words still read.
template <typename E>
struct EnumWord {
  E value;
  const wchar_t* word;
  const wchar_t* label = nullptr;
};

inline constexpr EnumWord<NudgeKind> kNudgeWords[] = {
    {NudgeKind::Mouse, L"Mouse"}, {NudgeKind::F15, L"F15"}, {NudgeKind::F15, L"VK_F15"}};

inline constexpr EnumWord<OverlayAction> kActionWords[] = {
    {OverlayAction::BlackAll, L"BlackAll", L"Black screen (all monitors)"},
    {OverlayAction::BlackCurrent, L"BlackCurrent", L"Black screen (monitor with cursor)"},
    {OverlayAction::BlackOthers, L"BlackOthers", L"Black screen (other monitors)"},
    {OverlayAction::AwayAll, L"AwayAll"},
    {OverlayAction::AwayCurrent, L"AwayCurrent"}};

inline constexpr EnumWord<ClockDisplayMode> kClockWords[] = {
    {ClockDisplayMode::None, L"None", L"None"},
    {ClockDisplayMode::Time, L"Time", L"Time"},
    {ClockDisplayMode::Elapsed, L"Elapsed", L"Elapsed time"},
    {ClockDisplayMode::TimeAndElapsed, L"TimeAndElapsed", L"Time and elapsed"},
    {ClockDisplayMode::None, L"Off"},
    {ClockDisplayMode::None, L"0"},
    {ClockDisplayMode::Elapsed, L"ElapsedTime"},
    {ClockDisplayMode::TimeAndElapsed, L"Both"},
    {ClockDisplayMode::TimeAndElapsed, L"Time+Elapsed"}};

// The value a word names, compared without case; nothing for an unknown word.
template <typename E, std::size_t N>
std::optional<E> EnumFromWord(const EnumWord<E> (&table)[N], std::wstring_view word) {
  for (const EnumWord<E>& row : table)
    if (EqualsNoCase(row.word, word)) return row.value;
  return std::nullopt;
}

// The first row of a value: its written word and its label. Every value has one.
template <typename E, std::size_t N>
const EnumWord<E>& EnumRow(const EnumWord<E> (&table)[N], E value) {
  for (const EnumWord<E>& row : table)
    if (row.value == value) return row;
  return table[0];
}

enum class UiLanguage : std::int32_t {
  Japanese = 0,
  English = 1,
  Korean = 2,
  ChineseSimplified = 3,
  ChineseTraditional = 4,
  French = 5,
  Italian = 6,
  German = 7,
  Spanish = 8,
};

// RegisterHotKey modifier flags.
inline constexpr std::uint32_t kModAlt = 0x1;
inline constexpr std::uint32_t kModControl = 0x2;
inline constexpr std::uint32_t kModShift = 0x4;
inline constexpr std::uint32_t kModWin = 0x8;

struct HotkeySpec {
  std::uint32_t modifiers = kModControl | kModAlt;
  std::uint32_t virtualKey = 'V';  // 0 means no hotkey

  friend bool operator==(const HotkeySpec&, const HotkeySpec&) = default;
};

// Ctrl+Alt+V, the hotkey used whenever the configured text cannot be used.
inline constexpr HotkeySpec kDefaultHotkey{kModControl | kModAlt, 'V'};

inline constexpr std::size_t kLanguageMaxChars = 63;

// An integer key of config.ini: its default, which the default text writes, and the range a value
// read is brought into.
struct IntegerKey {
  const wchar_t* section;
  const wchar_t* name;
  std::int32_t defaultValue;
  std::int32_t minimum;
  std::int32_t maximum;
};

// The defaults and limits of the integer keys: every reader takes them from here. The five of
// [KeepActive] and [Overlay] stand in the default text too; [Conditions] is not in it.
inline constexpr IntegerKey kIdleThresholdKey{L"KeepActive", L"IdleThresholdSec", 240, 60, 3600};
inline constexpr IntegerKey kCheckIntervalKey{L"KeepActive", L"CheckIntervalSec", 45, 10, 600};
inline constexpr IntegerKey kFadeInKey{L"Overlay", L"FadeInDurationMs", 120, 0, 5000};
inline constexpr IntegerKey kBadgeAlphaKey{L"Overlay", L"BadgeAlpha", 64, 0, 255};
inline constexpr IntegerKey kClockFontKey{L"Overlay", L"ClockFontPt", 32, 8, 96};
inline constexpr IntegerKey kMinBatteryKey{L"Conditions", L"MinBatteryPercent", 0, 0, 100};
inline constexpr IntegerKey kIntegerKeys[] = {kIdleThresholdKey, kCheckIntervalKey, kFadeInKey,
                                              kBadgeAlphaKey,    kClockFontKey,     kMinBatteryKey};
// Not in the default text: 0 (never) unless the user sets it.
inline constexpr IntegerKey kIdleBlackScreenKey{L"Overlay", L"BlackScreenAfterIdleMin", 0, 0, 1440};

// [Conditions]: what holds a power mode on apart from its switch, and what pauses it. Read at every
// load and never written by a save.
struct ConditionSettings {
  ProgramList SleepPreventWhileRunning;
  ProgramList KeepActiveWhileRunning;
  bool OnlyOnMainsPower = false;
  std::uint32_t MinBatteryPercent = kMinBatteryKey.defaultValue;  // 0: no floor
  bool PauseSleepPreventWhileLocked = false;

  friend bool operator==(const ConditionSettings&, const ConditionSettings&) = default;
};

// One entry of the timer presets ([Timer] Presets): a duration, or a time of day meaning its next
// occurrence.
struct TimerPreset {
  std::wstring text;  // as written in the list, without blanks around; kept beside a pending end
  std::uint32_t seconds = 0;  // a duration, 1 .. kMaxDurationSeconds; 0 for a time of day
  int hour = 0, minute = 0;  // a time of day

  bool SameAs(const TimerPreset& other) const {
    return seconds == other.seconds && (seconds != 0 || (hour == other.hour && minute == other.minute));
  }
  friend bool operator==(const TimerPreset&, const TimerPreset&) = default;
};

inline constexpr std::size_t kMaxTimerPresets = 8;
inline constexpr wchar_t kDefaultTimerPresets[] = L"30m, 1h, 2h, 4h";

struct Settings {
  bool SleepPrevent = false;
  bool KeepActive = false;
  bool RunAtStartup = false;
  std::uint32_t IdleThresholdSec = kIdleThresholdKey.defaultValue;
  std::uint32_t CheckIntervalSec = kCheckIntervalKey.defaultValue;
  NudgeKind Nudge = NudgeKind::Mouse;
  std::wstring Language;  // at most kLanguageMaxChars characters
  OverlayAction Action = OverlayAction::AwayCurrent;
  HotkeySpec ToggleHotkey = kDefaultHotkey;
  ClockDisplayMode ClockDisplay = ClockDisplayMode::Time;
  ConditionSettings Conditions;
  std::vector<TimerPreset> Presets = {
      {L"30m", 1800}, {L"1h", 3600}, {L"2h", 7200}, {L"4h", 14400}};  // [Timer], not saved
  bool NotifyAtEnd = true;
  std::uint32_t BlackScreenAfterIdleMin = 0;  // [Overlay], not saved; 0: never, else 1 .. 1440 (kIdleBlackScreenKey)

  friend bool operator==(const Settings&, const Settings&) = default;
};
