#include "system/Commands.h"

#include <cstring>

namespace {

constexpr const char* kSwitches =
    "The switches are: /next, /add \"PATH\" [\"PATH\"...], /apply \"PATH\", /show, /close.";

struct TSwitch {
    const char* name;
    TCommandKind kind;
    std::size_t minPaths, maxPaths;
};
constexpr TSwitch kSwitchTable[] = {
    {"next", TCommandKind::ckNext, 0, 0},   {"add", TCommandKind::ckAdd, 1, kMaxCommandPaths},
    {"apply", TCommandKind::ckApply, 1, 1}, {"show", TCommandKind::ckShow, 0, 0},
    {"close", TCommandKind::ckClose, 0, 0},
};

const TSwitch* FindSwitch(TCommandKind kind) {
    for (const TSwitch& s : kSwitchTable)
        if (s.kind == kind) return &s;
    return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size()) break;
        std::string arg;
        bool quoted = false;
        for (; i < text.size() && (quoted || !IsBlank(text[i])); ++i) {
            if (text[i] == '"')
                quoted = !quoted;
            else
                arg += text[i];
        }
        args.push_back(std::move(arg));
    }
    return args;
}

// UTF-8 as the system's code page converts it: no overlong forms, surrogates
// or code points past U+10FFFF.
bool ValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= n) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += n + 1;
    }
    return true;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "X:\..." or "\\server\share...": the running copy's current folder is not
// the sender's, so a relative path would name another file there.
bool IsAbsolute(const std::string& p) {
    if (p.size() >= 3 && IsLetter(p[0]) && p[1] == ':' && p[2] == '\\') return true;
    return p.size() >= 5 && p[0] == '\\' && p[1] == '\\' && p[2] != '\\';
}

std::string CheckPath(const std::string& p) {
    if (p.empty()) return "An empty path was given.";
    if (p.size() > kMaxCommandPath) return "A path is longer than the system allows.";
    if (!ValidUtf8(p)) return "A path is not valid text.";
    for (char c : p)
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\"<>|*?", c))
            return "\"" + p + "\" is not a file name.";
    if (p.find(':', 2) != std::string::npos) return "\"" + p + "\" is not a file name.";
    if (!IsAbsolute(p)) return "\"" + p + "\" is not a full path.";
    return {};
}

}  // namespace

TCommandLine ParseCommandLine(const std::string& arguments) {
    TCommandLine result;
    const std::vector<std::string> args = SplitArguments(arguments);
    if (args.empty()) return result;
    const std::string& first = args[0];
    const TSwitch* found = nullptr;
    if (first.size() > 1 && (first[0] == '/' || first[0] == '-')) {
        std::string name;
        for (std::size_t i = 1; i < first.size(); ++i) name += Lower(first[i]);
        for (const TSwitch& s : kSwitchTable)
            if (name == s.name) found = &s;
    }
    if (!found) {
        result.error = "Unknown switch \"" + first + "\". " + kSwitches;
        return result;
    }
    const std::size_t paths = args.size() - 1;
    if (paths < found->minPaths || paths > found->maxPaths) {
        result.error = found->maxPaths == 0 ? "/" + std::string(found->name) + " takes no path. " + kSwitches
                       : found->maxPaths == 1
                           ? "/" + std::string(found->name) + " takes one path. " + kSwitches
                       : paths == 0 ? "/" + std::string(found->name) + " needs a path. " + kSwitches
                                    : "Too many paths for one command.";
        return result;
    }
    result.command = TCommand{found->kind, {args.begin() + 1, args.end()}};
    return result;
}

std::string CheckCommand(const TCommand& command) {
    const TSwitch* s = FindSwitch(command.kind);
    if (!s) return "Unknown command.";
    if (command.paths.size() < s->minPaths || command.paths.size() > s->maxPaths)
        return "Wrong number of paths for /" + std::string(s->name) + ".";
    std::size_t bytes = 1;
    for (const std::string& p : command.paths) {
        if (std::string why = CheckPath(p); !why.empty()) return why;
        bytes += p.size() + 1;
    }
    if (bytes > kMaxCommandBytes) return "The paths are too long for one command.";
    return {};
}

std::vector<std::uint8_t> EncodeCommand(const TCommand& command) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(command.kind)};
    for (const std::string& p : command.paths) {
        bytes.insert(bytes.end(), p.begin(), p.end());
        bytes.push_back(0);
    }
    return bytes;
}

std::optional<TCommand> DecodeCommand(std::uintptr_t magic, const void* data, std::size_t size) {
    if (magic != kCommandMagic || !data || size < 1 || size > kMaxCommandBytes) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    TCommand command;
    command.kind = static_cast<TCommandKind>(bytes[0]);
    if (!FindSwitch(command.kind)) return std::nullopt;
    if (size > 1 && bytes[size - 1] != 0) return std::nullopt;
    for (std::size_t i = 1; i < size;) {
        const auto* end = static_cast<const std::uint8_t*>(std::memchr(bytes + i, 0, size - i));
        command.paths.emplace_back(reinterpret_cast<const char*>(bytes + i), end - (bytes + i));
        if (command.paths.size() > kMaxCommandPaths) return std::nullopt;
        i = static_cast<std::size_t>(end - bytes) + 1;
    }
    if (!CheckCommand(command).empty()) return std::nullopt;
    return command;
}

TCommandOutcome OutcomeOf(std::optional<std::intptr_t> answer, const TCommand& command) {
    if (!answer) return {1, "The running copy of the program did not answer."};
    const auto code = static_cast<TCommandAnswer>(*answer & 0xFF);
    const auto index = static_cast<std::size_t>(static_cast<std::uintptr_t>(*answer) >> 8);
    const std::string path = index < command.paths.size() ? "\"" + command.paths[index] + "\"" : "A path";
    switch (code) {
        case TCommandAnswer::caDone:
            return {0, {}};
        case TCommandAnswer::caNoSuchFile:
            return {3, path + " does not exist."};
        case TCommandAnswer::caNotAPicture:
            return {4, path + " is not a picture."};
        case TCommandAnswer::caNoPictures:
            return {5, path + " holds no pictures."};
        case TCommandAnswer::caNone:
            return {1, "The running copy of the program does not take commands."};
        case TCommandAnswer::caBadMessage:
        default:
            return {kUsageExitCode, "The running copy of the program refused the command."};
    }
}
