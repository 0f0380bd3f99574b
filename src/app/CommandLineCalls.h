#pragma once
// The two sides of a command-line call: the started process that sends its arguments, and the
// running program that answers them.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"

// ---- the calling process ----
// With arguments on the command line: carries out the call and gives the exit code. Without
// arguments: nothing (the process goes on as the resident program or a plain second start).
std::optional<int> RunCommandLineCall();
// The call for given arguments: parse, find or start the running program, send, wait, print.
int CallRunningProgram(const std::vector<std::wstring>& arguments);
// Usage, help and status text: to the inherited standard output or error, else to the console of
// the parent process, else (only when boxed) a message box.
void WriteCallOutput(const std::wstring& text, bool error, bool boxed);
// After --exit: true once the program has ended. Without a handle to it (an elevated program that
// another user started cannot be opened), once its single-instance mutex is gone, which the program
// releases last.
bool WaitForProgramExit(HANDLE process, DWORD timeoutMs);

// ---- the running program ----
// WM_COPYDATA: checks the data, parses it with the same strict parser and carries out a wholly
// valid call; the answer is one of the codes of CommandLine.h. A call that switches modes is
// answered (ReplyMessage) before it is carried out, and saves config.ini once, at its end. A call
// that arrives while another is carried out is asked to come again (kAnswerStarting). A status call
// first sends the status lines to the caller's reply window (the message's wParam), when it is one.
LRESULT AnswerCommandLineCall(const COPYDATASTRUCT* data, HWND replyWindow = nullptr);
LRESULT CarryOutCommandLineCall(const CommandLineCall& call);
ProgramStatus CurrentProgramStatus();
// Sends the status lines to a window of the reply class; false when it is none or did not take them.
bool SendStatusLines(HWND replyWindow);
