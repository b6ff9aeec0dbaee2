// Typing a file name into the window.
#include <gtest/gtest.h>

#include <string>

#include "overlay/filename_entry.h"
#include "state/keyboard_state.h"
#include "state/overlay_state.h"
#include "tests/support/viewer_test.h"

namespace {

FilenameAction type(const std::string& keys) {
    FilenameAction last = FILENAME_TYPING;
    for (unsigned char k : keys) last = apply_filename_key(k);
    return last;
}

using FilenameEntry = ViewerTest;

}  // namespace

TEST_F(FilenameEntry, TypedNameWithBackspaceSavesAbd) {
    prompt_flythrough_name();
    EXPECT_STREQ(filename_prompt, "Enter FileName: ./Flythrough/");
    EXPECT_EQ(type("abc\bd"), FILENAME_TYPING);
    EXPECT_STREQ(filename_prompt, "Enter FileName: ./Flythrough/abd");
    EXPECT_EQ(type("\r"), FILENAME_SAVE_FLYTHROUGH);
    EXPECT_STREQ(filename_text, "./Flythrough/abd.flt");
    EXPECT_EQ(filename_entry_active, 0);
    EXPECT_EQ(filename_entry_saves_flythrough, 0);
}

TEST_F(FilenameEntry, ASecondShorterEntryHoldsOnlyItsOwnCharacters) {
    prompt_flythrough_name();
    type("longname\r");
    EXPECT_STREQ(filename_text, "./Flythrough/longname.flt");
    prompt_flythrough_name();
    type("xy");
    EXPECT_STREQ(filename_prompt, "Enter FileName: ./Flythrough/xy");
    type("\r");
    EXPECT_STREQ(filename_text, "./Flythrough/xy.flt");
}

TEST_F(FilenameEntry, EmptyAndDotNamesAreRefusedAndAskedAgain) {
    prompt_flythrough_name();
    type("\b\b");
    EXPECT_STREQ(filename_text, "./Flythrough/");  // Backspace stops at the prefix
    EXPECT_EQ(type("\r"), FILENAME_TYPING);        // nothing typed: no hidden ".flt"
    EXPECT_EQ(filename_entry_active, 1);
    EXPECT_NE(std::string(message_text).find("dot"), std::string::npos) << message_text;
    EXPECT_EQ(type("..\r"), FILENAME_TYPING);
    EXPECT_EQ(type("\b\bv1\r"), FILENAME_SAVE_FLYTHROUGH);
    EXPECT_STREQ(filename_text, "./Flythrough/v1.flt");

    prompt_vector_name();
    EXPECT_STREQ(filename_prompt, "Enter FileName: ./Vector/");
    EXPECT_EQ(type(".hidden\r"), FILENAME_TYPING);
    EXPECT_EQ(type("\b\b\b\b\b\b\bmap.v2\r"), FILENAME_SAVE_VECTOR);  // dots inside a name are fine
    EXPECT_STREQ(filename_text, "./Vector/map.v2.vec");
}

TEST_F(FilenameEntry, ControlCharactersAndSeparatorsAreIgnored) {
    prompt_vector_name();
    type("a/b\\c\x01\x7f ");
    EXPECT_STREQ(filename_text, "./Vector/abc ");
    EXPECT_EQ(filename_entry_active, 1);
}

TEST_F(FilenameEntry, EscCancelsTheEntryWithoutASave) {
    prompt_flythrough_name();
    type("walk");
    EXPECT_EQ(type("\x1b"), FILENAME_CANCEL_FLYTHROUGH);
    EXPECT_EQ(filename_entry_active, 0);
    EXPECT_EQ(filename_entry_saves_flythrough, 0);
    EXPECT_TRUE(prompt_vector_name());  // nothing holds the prompt any more
    type("layer");
    EXPECT_EQ(type("\x1b"), FILENAME_CANCEL_VECTOR);
    EXPECT_EQ(filename_entry_active, 0);
    EXPECT_EQ(filename_entry_saves_vector, 0);
}

TEST_F(FilenameEntry, CharactersPastTheLimitAreRefusedWhereTheUserSeesIt) {
    prompt_flythrough_name();
    type(std::string(34, 'k'));
    EXPECT_EQ(filename_length, FILENAME_MAX_LENGTH);
    EXPECT_EQ(message_visible, 0);
    type(std::string(6000, 'x'));  // none of them is kept, none counted out of sight
    EXPECT_EQ(filename_length, FILENAME_MAX_LENGTH);
    EXPECT_EQ(message_visible, 1);
    EXPECT_NE(std::string(message_text).find("too long"), std::string::npos) << message_text;
    EXPECT_STREQ(filename_prompt, ("Enter FileName: ./Flythrough/" + std::string(34, 'k')).c_str());
    type("\b");  // one Backspace changes the text at once
    EXPECT_EQ(filename_length, FILENAME_MAX_LENGTH - 1);
    EXPECT_EQ(message_visible, 0);
    EXPECT_EQ(type("z\r"), FILENAME_SAVE_FLYTHROUGH);  // the name is the one shown
    EXPECT_EQ(std::string(filename_text), "./Flythrough/" + std::string(33, 'k') + "z.flt");
    EXPECT_EQ(std::string(filename_text).size(), (size_t)FILENAME_TEXT_SIZE - 1);
}

TEST_F(FilenameEntry, ASecondPromptWaitsUntilTheFirstNameIsEntered) {
    prompt_flythrough_name();
    type("fly");
    EXPECT_FALSE(prompt_vector_name());  // refused: Enter stays the recording's
    EXPECT_NE(std::string(message_text).find("Finish typing"), std::string::npos) << message_text;
    EXPECT_EQ(filename_entry_saves_vector, 0);
    type("m");
    EXPECT_EQ(type("\r"), FILENAME_SAVE_FLYTHROUGH);
    EXPECT_STREQ(filename_text, "./Flythrough/flym.flt");
    EXPECT_TRUE(prompt_vector_name());
    EXPECT_EQ(type("geo\r"), FILENAME_SAVE_VECTOR);
    EXPECT_STREQ(filename_text, "./Vector/geo.vec");
}
