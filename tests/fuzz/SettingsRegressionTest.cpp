#include "SettingsSanity.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct ReadCase {
    const char* name;
    QByteArray bytes;
};

class SettingsEdgeInputs : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SettingsEdgeInputs, ReadSanely) {
    EXPECT_EQ(CheckSettingsRead(GetParam().bytes), QString());
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, SettingsEdgeInputs,
    ::testing::Values(ReadCase{"Empty", ""}, ReadCase{"OnlyBreaks", "\r\n\r\r\n\n\r"},
                      ReadCase{"NulBytes", QByteArray("SERVER=a\0b\nDATABASE=\0", 22)},
                      ReadCase{"NulInKeysAndComments", QByteArray(";a\0\nSER\0VER=x\n[\0]\n", 18)},
                      ReadCase{"LongestLineAccepted", "SERVER=" + QByteArray(32766 - 7, 'x')},
                      ReadCase{"OneOverRefused", "SERVER=" + QByteArray(32767 - 7, 'x') + "\r\n"},
                      ReadCase{"LongLineAfterShortOnes", "A=b\r\n" + QByteArray(40000, '=')},
                      ReadCase{"EqualsOnly", "=====\n"}, ReadCase{"ImportPathOfEquals", "IMPORTPATH===\n"},
                      ReadCase{"CrAtTheVeryEnd", "IMPORTPATH=x\r"},
                      ReadCase{"UndefinedWindows1252Bytes", "SERVER=\x81\x8D\x8F\x90\x9D\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The seeds and every input the fuzzer has turned up are kept in the corpus folder.
TEST(SettingsCorpus, EveryFileReadsSanely) {
    const QDir corpus(QStringLiteral(VELMORA_FUZZ_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(CheckSettingsRead(file.readAll()), QString()) << name.toStdString();
    }
}

} // namespace
