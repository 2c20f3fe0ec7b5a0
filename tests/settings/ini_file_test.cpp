#include "settings/ini_file.h"

#include <gtest/gtest.h>

using sorpex::IniFile;

TEST(IniFile, NamesMatchWithoutCaseAndTheFirstMatchWins) {
    IniFile ini = IniFile::parse("[appparam]\r\n timeout = 5 \r\nTIMEOUT=6\r\n[AppParam]\r\nRetry=1\r\n");
    EXPECT_EQ(ini.value("AppParam", "TimeOut"), "5");
    // A second section of the same name is not looked at.
    EXPECT_EQ(ini.value("AppParam", "Retry"), std::nullopt);
}

TEST(IniFile, MissingAndEmptyValuesDiffer) {
    IniFile ini = IniFile::parse("[A]\nEmpty=\nQuoted=\"  x \"\nSingle='y'\nHalf=\"z\n; Comment=1\n");
    EXPECT_EQ(ini.value("A", "Missing"), std::nullopt);
    EXPECT_EQ(ini.value("B", "Empty"), std::nullopt);
    EXPECT_EQ(ini.value("A", "Empty"), "");
    EXPECT_EQ(ini.value("A", "Quoted"), "  x ");
    EXPECT_EQ(ini.value("A", "Single"), "y");
    EXPECT_EQ(ini.value("A", "Half"), "\"z");
    EXPECT_EQ(ini.value("A", "; Comment"), std::nullopt);
}

TEST(IniFile, SettingAValueKeepsEveryOtherLine) {
    IniFile ini = IniFile::parse("; written by hand\n[AppParam]\ntimeout=5\n\n; tail comment\n[Other]\nx=1\n");
    ini.setValue("AppParam", "TimeOut", "7");
    ini.setValue("AppParam", "Retry", "2");
    ini.setValue("other", "y", "a=b");
    ini.setValue("New", "k", "line\r\nbreak");
    EXPECT_EQ(ini.serialize(), "; written by hand\r\n[AppParam]\r\ntimeout=7\r\n\r\n; tail comment\r\nRetry=2\r\n"
                               "[Other]\r\nx=1\r\ny=a=b\r\n\r\n[New]\r\nk=linebreak\r\n");
}

TEST(IniFile, AnEmptyTextGetsItsFirstSection) {
    IniFile ini = IniFile::parse("");
    ini.setValue("S", "K", "V");
    EXPECT_EQ(ini.serialize(), "[S]\r\nK=V\r\n");
}
