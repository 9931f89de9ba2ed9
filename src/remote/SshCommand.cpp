#include "SshCommand.h"

#include "FindListing.h"

#include <cstdlib>

namespace SshCommand {

Reader ReaderFromName(std::string_view name)
{
    if (name == "volra")
        return Reader::Volra;
    if (name == "ncdu")
        return Reader::Ncdu;
    if (name == "find")
        return Reader::Find;
    return Reader::Any;
}

Reader ReaderFromEnvironment()
{
    const char* value = std::getenv("VOLRA_SSH_READER");
    return value != nullptr ? ReaderFromName(value) : Reader::Any;
}

std::string ShellQuote(std::string_view text)
{
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string RemoteSnippet(const std::string& strPath, Reader reader)
{
    // LC_ALL=C: find's messages (and their quotes) are the ones read back.
    // VOLRA_SAVE_LISTING: Volra's own listing, not ncdu's JSON (a Volra too old to know
    // the switch writes the JSON, which is read as well).
    const std::string volra = "VOLRA_SAVE_LISTING=1;export VOLRA_SAVE_LISTING;exec volra --save \"$p\" -";
    const std::string ncdu = "exec ncdu -x -0 -e -o- \"$p\"";
    const std::string find =
        std::string("LC_ALL=C;export LC_ALL;exec find \"$p\" -xdev -printf ") + ShellQuote(CFindListing::kPrintfFormat);
    std::string snippet = "p=" + ShellQuote(strPath) + ";";
    switch (reader) {
    case Reader::Volra:
        return snippet + volra;
    case Reader::Ncdu:
        return snippet + ncdu;
    case Reader::Find:
        return snippet + find;
    case Reader::Any:
        break;
    }
    return snippet + "if command -v volra >/dev/null 2>&1;then " + volra + ";elif command -v ncdu >/dev/null 2>&1;then "
        + ncdu + ";else " + find + ";fi";
}

bool SplitWords(std::string_view text, std::vector<std::string>& words, std::string& strError)
{
    words.clear();
    std::string word;
    bool bInWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (bInWord)
                words.push_back(std::move(word));
            word.clear();
            bInWord = false;
            continue;
        }
        bInWord = true;
        if (c == '\\') {
            if (++i < text.size())
                word += text[i];
        } else if (c == '\'') {
            const std::size_t close = text.find('\'', i + 1);
            if (close == std::string_view::npos) {
                strError = "VOLRA_SSH_COMMAND has a ' that is not closed";
                return false;
            }
            word.append(text.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                const bool bEscape = text[i] == '\\' && i + 1 < text.size()
                    && std::string_view("\\\"$`").find(text[i + 1]) != std::string_view::npos;
                word += text[bEscape ? ++i : i];
            }
            if (i >= text.size()) {
                strError = "VOLRA_SSH_COMMAND has a \" that is not closed";
                return false;
            }
        } else {
            word += c;
        }
    }
    if (bInWord)
        words.push_back(std::move(word));
    return true;
}

bool BuildArguments(const CSshAddress& address, const std::string& strSnippet, std::vector<std::string>& argv,
                    std::string& strError)
{
    argv.clear();
    const char* custom = std::getenv("VOLRA_SSH_COMMAND");
    if (custom != nullptr && !SplitWords(custom, argv, strError))
        return false;
    if (argv.empty())
        argv.emplace_back("ssh");
    // No terminal is ever there to ask on: passwords and host keys go through askpass.
    argv.insert(argv.end(), {"-T", "-x", "-o", "BatchMode=no"});
    if (address.nPort != 0)
        argv.insert(argv.end(), {"-p", std::to_string(address.nPort)});
    if (!address.strUser.empty())
        argv.insert(argv.end(), {"-l", address.strUser});
    argv.insert(argv.end(), {"--", address.strHost, strSnippet});
    return true;
}

}  // namespace SshCommand
