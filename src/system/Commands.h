#pragma once
// The commands a start of the program can carry for the running copy
// (VelantPro.exe /next, /add "PATH"..., /apply "PATH", /show, /close): read
// from a command line, and packed into and read back from the bounded message
// a later start sends the running copy. Nothing here touches a window; the
// running copy's side treats every message as untrusted input.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class TCommandKind : std::uint8_t { ckNext = 1, ckAdd, ckApply, ckShow, ckClose };

struct TCommand {
    TCommandKind kind = TCommandKind::ckShow;
    std::vector<std::string> paths;
    bool operator==(const TCommand&) const = default;
};

// A command line's command, or the one-line reason it has none.
struct TCommandLine {
    std::optional<TCommand> command;  // none for an empty line: a start as usual
    std::string error;                // set when the line cannot be carried out
};

// The message's limits: one path may be as long as the system's long paths
// (32767 characters, counted here in bytes of its UTF-8 text), and a message
// names at most kMaxCommandPaths of them in at most kMaxCommandBytes.
constexpr std::size_t kMaxCommandPath = 32767;
constexpr std::size_t kMaxCommandPaths = 1024;
constexpr std::size_t kMaxCommandBytes = 1u << 20;
// The WM_COPYDATA's dwData that marks a command message: "VPC" and format 1.
constexpr std::uintptr_t kCommandMagic = 0x56504301;

// The running copy's answer, the low byte of the message's result; the rest
// holds the index of the path it concerns. 0 is what a window that knows no
// commands answers.
enum class TCommandAnswer : std::uint8_t {
    caNone = 0,
    caDone = 1,
    caBadMessage = 2,
    caNoSuchFile = 3,
    caNotAPicture = 4,
    caNoPictures = 5,
};
constexpr std::intptr_t PackAnswer(TCommandAnswer answer, std::size_t pathIndex = 0) {
    return static_cast<std::intptr_t>(answer) | static_cast<std::intptr_t>(pathIndex << 8);
}

// The command of the arguments after the program's name. Switches start with
// '/' or '-' and ignore case; a double quote groups blanks into one argument
// and is never part of it (file names cannot hold one).
TCommandLine ParseCommandLine(const std::string& arguments);

// Empty when the command fits the message's limits and its paths are
// absolute paths a file name may be; otherwise the one-line reason.
std::string CheckCommand(const TCommand& command);

// The message a later start sends: the kind, then each path ending in a NUL.
std::vector<std::uint8_t> EncodeCommand(const TCommand& command);
// The command of a message, only when it is one EncodeCommand makes of a
// command CheckCommand accepts; nullopt for anything else.
std::optional<TCommand> DecodeCommand(std::uintptr_t magic, const void* data, std::size_t size);

// The exit code of a later start for the running copy's answer (nullopt: no
// copy answered) and the line it shows; the line is empty for success.
struct TCommandOutcome {
    int exitCode = 0;
    std::string text;
};
TCommandOutcome OutcomeOf(std::optional<std::intptr_t> answer, const TCommand& command);

// The exit code of a command line that cannot be carried out.
constexpr int kUsageExitCode = 2;
