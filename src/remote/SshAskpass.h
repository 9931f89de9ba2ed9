#pragma once

// OpenSSH's askpass program: ssh runs this program with SSH_ASKPASS pointing at it and
// VOLRA_ASKPASS set, the prompt as its one argument. It asks in a window (a password, a
// passphrase, or "yes" to a new host key; a plain OK/Cancel question when
// SSH_ASKPASS_PROMPT is "confirm") and prints the answer on standard output. The answer
// is never kept. Exit code 0 with an answer, 1 when the user cancelled.
bool IsAskpassRun(int argc);
int RunAskpass(int argc, char** argv);
