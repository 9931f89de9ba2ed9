#include "SshCipher.h"

#include "SshProcess.h"

#include <algorithm>
#include <chrono>

namespace SshCipher {
namespace {
constexpr std::size_t kMaxOutput = std::size_t{64} << 10;  // ssh -G prints a few KiB

// What "ssh -G" prints with these words before "--", or empty when it failed.
std::string ProbeConfig(const std::vector<std::string>& argv, const std::vector<std::string>& extra)
{
    std::vector<std::string> probe(argv.begin(), argv.end() - 1);  // without the snippet
    const auto dashes = std::find(probe.begin() + 1, probe.end(), "--");
    probe.insert(dashes, extra.begin(), extra.end());
    probe.insert(probe.begin() + 1, "-G");
    CSshProcess process;
    std::string error;
    if (!process.Start(probe, {}, error))
        return {};
    std::string output;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        std::size_t nRead = 0;
        const CSshProcess::Result result =
            process.Read(buffer, sizeof buffer, nRead, std::chrono::milliseconds(50), error);
        if (result == CSshProcess::Result::Data)
            output.append(buffer, nRead);
        if (result == CSshProcess::Result::End)
            return process.WaitForExit() == 0 ? output : std::string();
        if (result == CSshProcess::Result::Error || output.size() > kMaxOutput
            || std::chrono::steady_clock::now() > deadline)
            return {};  // the process is killed as it goes
    }
}

std::vector<std::string_view> Without(std::string_view list, std::string_view name)
{
    std::vector<std::string_view> names;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view one = list.substr(0, comma);
        if (one != name)
            names.push_back(one);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return names;
}
}  // namespace

std::string CiphersOf(std::string_view config)
{
    constexpr std::string_view kKey = "ciphers ";
    for (std::size_t start = 0; start < config.size();) {
        const std::size_t end = std::min(config.find('\n', start), config.size());
        const std::string_view line = config.substr(start, end - start);
        if (line.substr(0, kKey.size()) == kKey)
            return std::string(line.substr(kKey.size()));
        start = end + 1;
    }
    return {};
}

bool ConfigsLeaveDefault(std::string_view used, std::string_view defaultPreferred)
{
    // The preferred one first in the one, anywhere in the other, the rest in the same order.
    const std::string prefix = std::string(kPreferred) + ",";
    return !used.empty() && defaultPreferred.substr(0, prefix.size()) == prefix
        && Without(used, kPreferred).size() + 1 == Without(used, "").size()
        && Without(used, kPreferred) == Without(defaultPreferred, kPreferred);
}

std::vector<std::string> PreferenceFor(const std::vector<std::string>& argv)
{
    const std::size_t slash = argv.empty() ? 0 : argv[0].rfind('/');
    if (argv.size() < 3 || argv[0].substr(slash == std::string::npos ? 0 : slash + 1) != "ssh")
        return {};
    const std::vector<std::string> option = {"-o", "Ciphers=^" + std::string(kPreferred)};
    const std::string used = CiphersOf(ProbeConfig(argv, {}));
    // The last -F wins, the first -o: no config file is read, the user's own -o still holds.
    std::vector<std::string> bare = {"-F", "/dev/null"};
    bare.insert(bare.end(), option.begin(), option.end());
    const std::string defaultPreferred = CiphersOf(ProbeConfig(argv, bare));
    return ConfigsLeaveDefault(used, defaultPreferred) ? option : std::vector<std::string>();
}

}  // namespace SshCipher
