#pragma once
#include <string>
#include <string_view>
#include <vector>

// The cipher an SSH search asks for. Over a fast link (loopback, a LAN) the stream's cost is
// the cipher's: AES-GCM, which the processor does in hardware, takes about a third less than
// OpenSSH's first choice (chacha20-poly1305, done in software). It is put first only where
// neither the user's ssh config nor the system's chooses the ciphers, so that a list chosen
// there always wins; "ssh -G" tells both without connecting anywhere.
namespace SshCipher {

constexpr std::string_view kPreferred = "aes128-gcm@openssh.com";

// The value of the "ciphers" line of ssh -G's output; empty when there is none.
std::string CiphersOf(std::string_view config);
// Whether the list that ssh uses (with every config read) is the one it uses without any
// config once kPreferred has been put first there: the configs chose nothing.
bool ConfigsLeaveDefault(std::string_view used, std::string_view defaultPreferred);

// For the ssh argument vector argv (OpenSSH's client, ending "-- HOST SNIPPET"): the words to
// add before "--" that put kPreferred first, or none. None as well for a command that is not
// named ssh, or that does not answer -G within a second or two.
std::vector<std::string> PreferenceFor(const std::vector<std::string>& argv);

}  // namespace SshCipher
