#include "system/Commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using K = TCommandKind;

TEST(Commands, CommandLinesGiveTheirCommandOrOneLineSaying) {
    struct Row {
        const char* line;
        K kind;
        std::vector<std::string> paths;
        const char* error;  // a part of the message; null when the line is accepted
    };
    const Row rows[] = {
        {"/NEXT", K::ckNext, {}, nullptr},
        {"  -Show ", K::ckShow, {}, nullptr},
        {"/close", K::ckClose, {}, nullptr},
        {"/add \"C:\\My Pictures\\a.jpg\" C:\\b.bmp",
         K::ckAdd,
         {"C:\\My Pictures\\a.jpg", "C:\\b.bmp"},
         nullptr},
        {"-APPLY \"C:\\\"", K::ckApply, {"C:\\"}, nullptr},
        {"/apply \\\\server\\share\\x.jpg", K::ckApply, {"\\\\server\\share\\x.jpg"}, nullptr},
        {"/nxt", K::ckNext, {}, "Unknown switch \"/nxt\". The switches are: /next, /add"},
        {"picture.jpg", K::ckNext, {}, "Unknown switch \"picture.jpg\""},
        {"/", K::ckNext, {}, "Unknown switch"},
        {"/next C:\\a.jpg", K::ckNext, {}, "/next takes no path."},
        {"/apply C:\\a.jpg C:\\b.jpg", K::ckNext, {}, "/apply takes one path."},
        {"/add", K::ckNext, {}, "/add needs a path."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const TCommandLine parsed = ParseCommandLine(row.line);
        if (row.error) {
            EXPECT_FALSE(parsed.command);
            EXPECT_NE(parsed.error.find(row.error), std::string::npos) << parsed.error;
        } else {
            ASSERT_TRUE(parsed.command) << parsed.error;
            EXPECT_EQ(*parsed.command, (TCommand{row.kind, row.paths}));
        }
    }
    EXPECT_FALSE(ParseCommandLine(" \t").command) << "no switch: a start as usual";
    EXPECT_TRUE(ParseCommandLine(" \t").error.empty());
}

TEST(Commands, OnlyAWellFormedBoundedMessageOfFullFileNamesIsAccepted) {
    const TCommand add{K::ckAdd, {"C:\\a.jpg", "\\\\srv\\share\\\xC3\xA9t\xC3\xA9.bmp"}};
    const std::vector<std::uint8_t> bytes = EncodeCommand(add);
    EXPECT_EQ(DecodeCommand(kCommandMagic, bytes.data(), bytes.size()), add);
    EXPECT_FALSE(DecodeCommand(kCommandMagic + 1, bytes.data(), bytes.size())) << "another program's message";
    EXPECT_FALSE(DecodeCommand(kCommandMagic, bytes.data(), bytes.size() - 1)) << "unterminated";
    EXPECT_FALSE(DecodeCommand(kCommandMagic, bytes.data(), 0));
    EXPECT_FALSE(DecodeCommand(kCommandMagic, nullptr, 4));

    const std::string longest(kMaxCommandPath - 3, 'x');
    const std::vector<std::string> refused = {
        "",           "a.jpg",        "C:a.jpg",       "C:\\a.jpg:stream",
        "C:\\a?.jpg", "C:\\a\nb.jpg", "C:\\\xC3(.jpg", "C:\\" + longest + "x"};
    for (const std::string& path : refused) {
        SCOPED_TRACE(path.substr(0, 40));
        const auto message = EncodeCommand({K::ckApply, {path}});
        EXPECT_FALSE(DecodeCommand(kCommandMagic, message.data(), message.size()));
        EXPECT_FALSE(CheckCommand({K::ckApply, {path}}).empty());
    }
    const auto longestMessage = EncodeCommand({K::ckApply, {"C:\\" + longest}});
    EXPECT_TRUE(DecodeCommand(kCommandMagic, longestMessage.data(), longestMessage.size()));
    for (std::vector<std::uint8_t> wrong :
         {std::vector<std::uint8_t>{0}, {6}, {1, 'C', ':', '\\', 0}, {5, 0}}) {
        EXPECT_FALSE(DecodeCommand(kCommandMagic, wrong.data(), wrong.size())) << int(wrong[0]);
    }
    const TCommand many{K::ckAdd, std::vector<std::string>(kMaxCommandPaths + 1, "C:\\a.jpg")};
    const auto tooMany = EncodeCommand(many);
    EXPECT_FALSE(DecodeCommand(kCommandMagic, tooMany.data(), tooMany.size()));

    // What the later start makes of the answer.
    EXPECT_EQ(OutcomeOf(PackAnswer(TCommandAnswer::caDone), add).exitCode, 0);
    const TCommandOutcome missing = OutcomeOf(PackAnswer(TCommandAnswer::caNoSuchFile, 1), add);
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_EQ(missing.text, "\"" + add.paths[1] + "\" does not exist.");
    EXPECT_EQ(OutcomeOf(PackAnswer(TCommandAnswer::caNotAPicture, 7), add).text, "A path is not a picture.");
    EXPECT_EQ(OutcomeOf(std::nullopt, add).exitCode, 1);
    EXPECT_NE(OutcomeOf(0, add).exitCode, 0) << "a window that knows no commands";
}

}  // namespace
