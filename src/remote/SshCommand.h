#pragma once
#include "SshAddress.h"

#include <string>
#include <string_view>
#include <vector>

// What an SSH search runs: the local ssh command line and the remote shell snippet.
//
// The snippet is one short POSIX sh command that runs the first reader the server has:
// "volra --save PATH -" (asked for Volra's own listing), "ncdu -x -0 -e -o- PATH" (-e: with
// times) or GNU "find PATH -xdev -printf FORMAT".
// PATH goes in single quotes (a quote inside as '\''), so no byte of it is ever shell
// syntax; the snippet runs nothing but those three.
namespace SshCommand {

enum class Reader { Any, Volra, Ncdu, Find };

// VOLRA_SSH_READER's value ("volra", "ncdu", "find"); Any for anything else, unset included.
Reader ReaderFromName(std::string_view name);
// The reader named in the environment.
Reader ReaderFromEnvironment();

// 'text' for sh: every byte literal.
std::string ShellQuote(std::string_view text);
std::string RemoteSnippet(const std::string& strPath, Reader reader);

// Splits a command as a shell would split its words, without running one: blanks separate,
// '...' keeps everything, "..." keeps everything but \\ \" \$ \` escapes, a backslash
// outside quotes keeps the next byte. False (with the reason) for an unclosed quote.
bool SplitWords(std::string_view text, std::vector<std::string>& words, std::string& strError);

// The argument vector: VOLRA_SSH_COMMAND's words (or "ssh"), the options that make it
// ask through askpass and never take a terminal, the port and user, "--", the host and the
// snippet. False with the reason when VOLRA_SSH_COMMAND cannot be split.
bool BuildArguments(const CSshAddress& address, const std::string& strSnippet, std::vector<std::string>& argv,
                    std::string& strError);

}  // namespace SshCommand
