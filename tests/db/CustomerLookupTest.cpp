#include "CustomerLookup.h"

#include "SqliteFixture.h"

namespace {

struct LookupRow {
    const char* name;
    const char* customer;
    const char* expected;
};

class CustomerLookupTest : public SqliteFixture, public ::testing::WithParamInterface<LookupRow> {
protected:
    void SetUp() override {
        SqliteFixture::SetUp();
        const std::pair<const char*, const char*> customers[] = {
            {"701", "Gärtnerei Blum"}, {"401", "Hof Lindner"}, {"702", nullptr},    {"70", "Zwei Zeichen"},
            {"7010", "Vier Zeichen"},  {"abc", "Buchstaben"},  {"7'1", "Anführung"}};
        for (const auto& [id, name] : customers)
            run(QStringLiteral("INSERT INTO customer (CUST_ID, cust_name) VALUES (?,?)"),
                {QString::fromLatin1(id), QString::fromUtf8(name)});
    }
};

TEST_P(CustomerLookupTest, FindsOnlyThreeCharacterNumbersWithARow) {
    EXPECT_EQ(LookupCustomerName(mDb, QString::fromUtf8(GetParam().customer)).toStdString(),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lookup, CustomerLookupTest,
    ::testing::Values(LookupRow{"Found", "701", "Gärtnerei Blum"},
                      LookupRow{"FoundOther", "401", "Hof Lindner"},
                      LookupRow{"NoRow", "703", "Kunde nicht angelegt!"}, LookupRow{"NullName", "702", ""},
                      LookupRow{"TwoCharactersWithRow", "70", "Kunde nicht angelegt!"},
                      LookupRow{"FourCharactersWithRow", "7010", "Kunde nicht angelegt!"},
                      LookupRow{"LettersWithRow", "abc", "Kunde nicht angelegt!"},
                      LookupRow{"Empty", "", "Kunde nicht angelegt!"},
                      LookupRow{"BlankInFront", " 70", "Kunde nicht angelegt!"},
                      LookupRow{"QuoteWithRow", "7'1", "Kunde nicht angelegt!"},
                      LookupRow{"QuoteOrTrue", "' OR '1'='1", "Kunde nicht angelegt!"},
                      LookupRow{"Semicolon", "1;D", "Kunde nicht angelegt!"},
                      LookupRow{"CommentMarker", "'--", "Kunde nicht angelegt!"},
                      LookupRow{"StatementAfterQuote", "701'; DELETE FROM customer; --",
                                "Kunde nicht angelegt!"}),
    [](const auto& info) { return std::string(info.param.name); });

using CustomerLookupAgainTest = CustomerLookupTest;

TEST_F(CustomerLookupAgainTest, AsksTheDatabaseEveryTime) {
    EXPECT_EQ(LookupCustomerName(mDb, QStringLiteral("701")), QStringLiteral("Gärtnerei Blum"));
    run(QStringLiteral("UPDATE customer SET cust_name = 'Blum & Söhne' WHERE CUST_ID = '701'"));
    EXPECT_EQ(LookupCustomerName(mDb, QStringLiteral("701")), QStringLiteral("Blum & Söhne"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM customer")).toInt(), 7);
}

} // namespace
