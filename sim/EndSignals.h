// The log holds its events back for a while (Log), so the ways out by a signal write it first.
// A signal that ends the process (SIGINT, SIGTERM, SIGHUP) or a crash (SIGSEGV, SIGBUS, SIGILL,
// SIGFPE, SIGABRT) has every event written so far handed to its file by a thread kept for that,
// and then ends the process as it would have ended without the handler: by the same signal,
// through the handler there was before (a sanitizer's). A signal that was ignored stays ignored.
#pragma once

namespace sim {

// Once, before the run; the desk's own handlers take SIGINT, SIGTERM and SIGHUP while it runs.
void KeepLogOnSignals();

// For a signal handler that ends the process itself (the desk asked twice): has the logs written
// and the process end with _exit(status). Async-signal-safe. False when that cannot be done (no
// KeepLogOnSignals(), or an end already under way), and the caller must end the process itself.
bool ExitAfterLog(int status);

}  // namespace sim
