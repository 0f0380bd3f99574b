// The command line as a script uses it: umbraline.exe started with arguments, its exit code and
// output read back, and what the running program did.
#include <gtest/gtest.h>

#include <regex>

#include "E2eSupport.h"
#include "ScreenSupport.h"

namespace {

struct CallResult {
  DWORD code = STILL_ACTIVE;
  std::string out, err;
};

std::string Drain(HANDLE pipe) {
  DWORD available = 0, read = 0;
  std::string text(::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) ? available : 0, '\0');
  if (!text.empty() && !::ReadFile(pipe, text.data(), available, &read, nullptr)) read = 0;
  return text.substr(0, read);
}

// Runs umbraline.exe with the arguments, its standard output and error going to pipes of ours.
CallResult RunCall(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE pipes[4] = {};  // out read, out write, error read, error write
  CallResult result;
  if (!::CreatePipe(&pipes[0], &pipes[1], &inherited, 65536) || !::CreatePipe(&pipes[2], &pipes[3], &inherited, 65536))
    return result;
  const KernelHandle outRead(pipes[0]), errRead(pipes[2]);
  KernelHandle outWrite(pipes[1]), errWrite(pipes[3]);
  ::SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(errRead.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{sizeof startup};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = outWrite.Get();
  startup.hStdError = errWrite.Get();
  PROCESS_INFORMATION info{};
  std::wstring command = L"\"" + ExecutableFolder() + L"\\umbraline.exe\" " + arguments;
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) return result;
  const KernelHandle process(info.hProcess), thread(info.hThread);
  outWrite.Reset();
  errWrite.Reset();
  if (::WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.Get(), &result.code);
  result.out = Drain(outRead.Get());
  result.err = Drain(errRead.Get());
  return result;
}

// Each monitor black all over, or without any black (the tray window in the top-left corner aside).
bool ScreensBlack(bool black) {
  return WaitFor([&] {
    const ScreenShot shot = CaptureScreen();
    const RECT tray{0, 0, 200, 64};
    for (const RECT& m : {kPrimaryMonitor, kSecondMonitor})
      if (shot.Count(m, 0, !black, black ? RECT{} : tray) != 0) return false;
    return true;
  }, 10000);
}

}  // namespace

TEST(CommandLine, CallsChangeTheRunningProgramAndExitEndsIt) {
  ForgetConfiguration();
  ASSERT_TRUE(WriteConfig("[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\n[Overlay]\r\nFadeInDurationMs=0\r\nClockDisplay=None\r\n"));
  RunningProgram program;
  ASSERT_NE(program.WaitForWindow(), nullptr);
  EXPECT_EQ(RunCall(L"--keep-active on").code, 0u);
  EXPECT_TRUE(FileHas("KeepActive=1"));  // saved before the call returned
  const std::string before = ConfigText();
  const CallResult refused = RunCall(L"--keep-active off --for 1h");
  EXPECT_EQ(refused.code, 2u);
  EXPECT_NE(refused.err.find("umbraline --exit | --status | --help"), std::string::npos) << refused.err;
  EXPECT_TRUE(program.Running() && ConfigText() == before);
  EXPECT_EQ(RunCall(L"--PREVENT-SLEEP on --for 2h").code, 0u);
  const CallResult status = RunCall(L"--status");
  EXPECT_EQ(status.code, 0u);
  EXPECT_TRUE(std::regex_match(status.out, std::regex("prevent-sleep on until 20\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d\r\n"
                                                      "keep-active on\r\nblack-screen off\r\n"))) << status.out;
  EXPECT_TRUE(FileHas("SleepPreventUntil=20"));
  EXPECT_EQ(RunCall(L"--black-screen all").code, 0u);
  EXPECT_TRUE(OverlaysCover({kPrimaryMonitor, kSecondMonitor}));
  EXPECT_TRUE(ScreensBlack(true));
  EXPECT_NE(RunCall(L"--status").out.find("\nblack-screen all\r\n"), std::string::npos);
  EXPECT_EQ(RunCall(L"--black-screen off").code, 0u);
  EXPECT_TRUE(OverlayWindows().empty());
  EXPECT_TRUE(ScreensBlack(false));
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
  EXPECT_FALSE(program.Running());  // gone when the call returns
  ForgetConfiguration();
}

TEST(CommandLine, WithNothingRunningACallStartsTheProgram) {
  ForgetConfiguration();
  ASSERT_EQ(FindMainWindow(), nullptr);
  const CallResult status = RunCall(L"--status");
  EXPECT_EQ(status.code, 3u);
  EXPECT_EQ(status.out, "not running\r\n");
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
  EXPECT_EQ(FindMainWindow(), nullptr);  // --exit starts nothing
  EXPECT_EQ(RunCall(L"--keep-active on").code, 0u);  // returned while the started program runs on
  EXPECT_NE(FindMainWindow(), nullptr);
  EXPECT_TRUE(FileHas("KeepActive=1"));
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
  EXPECT_EQ(FindMainWindow(), nullptr);
  ForgetConfiguration();
}
