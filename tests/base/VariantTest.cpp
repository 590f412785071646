#include "base/Variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace kiv {
namespace {

using Kind = Variant::Kind;

std::string errorOf(const auto& convert) {
    try {
        convert();
    } catch (const VariantError& error) {
        return error.what();
    }
    return "no error";
}

TEST(VariantText, CopiesShareAndSurviveTheOriginal) {
    Variant copy;
    {
        Variant original(std::string(100, 'x'));
        copy = original;
        EXPECT_EQ(copy.textView().data(), original.textView().data());
    }
    EXPECT_EQ(copy.textView(), std::string(100, 'x'));

    const Variant& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.textView().size(), 100u);

    Variant moved(std::move(copy));
    EXPECT_TRUE(copy.isEmpty());
    moved = Variant(std::int32_t{7});
    EXPECT_EQ(moved.kind(), Kind::Long);
}

TEST(VariantText, EmptyTextIsStillText) {
    const Variant empty("");
    EXPECT_TRUE(empty.isText());
    EXPECT_EQ(empty.toText(), "");
    EXPECT_EQ(empty, Variant(std::string()));
    EXPECT_FALSE(empty == Variant());
}

TEST(VariantEquality, NeedsSameKindAndValue) {
    EXPECT_FALSE(Variant(std::int16_t{1}) == Variant(std::int32_t{1}));
    EXPECT_TRUE(Variant("abc") == Variant(std::string("abc")));
    EXPECT_FALSE(Variant("abc") == Variant("abd"));
    EXPECT_TRUE(Variant::Null() == Variant::Null());
    EXPECT_FALSE(Variant::fromDate(1.0) == Variant(1.0));
}

TEST(VariantFormat, DoublesUseShortestTextWithUppercaseExponent) {
    EXPECT_EQ(Variant(3.0).toText(), "3");
    EXPECT_EQ(Variant(0.1).toText(), "0.1");
    EXPECT_EQ(Variant(1e20).toText(), "1E+20");
    EXPECT_EQ(Variant(1e-7).toText(), "1E-07");
    EXPECT_EQ(Variant(-2.5e-5).toText(), "-2.5E-05");
    EXPECT_EQ(Variant(-0.0).toText(), "0");
}

TEST(VariantFormat, CurrencyDropsTrailingZeros) {
    EXPECT_EQ(Variant::fromCurrencyScaled(125000).toText(), "12.5");
    EXPECT_EQ(Variant::fromCurrencyScaled(-1).toText(), "-0.0001");
    EXPECT_EQ(Variant::fromCurrencyScaled(30000).toText(), "3");
    EXPECT_EQ(Variant::formatCurrency(std::numeric_limits<std::int64_t>::min()),
              "-922337203685477.5808");
}

TEST(VariantFormat, OtherKinds) {
    EXPECT_EQ(Variant().toText(), "");
    EXPECT_EQ(Variant(true).toText(), "True");
    EXPECT_EQ(Variant(false).toText(), "False");
    EXPECT_EQ(Variant(std::int64_t{-9000000000}).toText(), "-9000000000");
    EXPECT_EQ(errorOf([] { Variant::Null().toText(); }), "Invalid use of Null");
}

TEST(VariantWhole, RoundsHalfToEvenFromEveryKind) {
    EXPECT_EQ(Variant(2.5).toInteger(), 2);
    EXPECT_EQ(Variant(3.5).toInteger(), 4);
    EXPECT_EQ(Variant(-2.5).toInteger(), -2);
    EXPECT_EQ(Variant(2.5000001).toInteger(), 3);
    EXPECT_EQ(Variant::fromCurrencyScaled(25000).toLong(), 2);
    EXPECT_EQ(Variant::fromCurrencyScaled(-35000).toLong(), -4);
    EXPECT_EQ(Variant::fromCurrencyScaled(-25001).toLong(), -3);
    EXPECT_EQ(Variant(" 2.5 ").toLong(), 2);
    EXPECT_EQ(Variant("-0.5").toLong(), 0);
    EXPECT_EQ(Variant("25e-1").toLong(), 2);
    EXPECT_EQ(Variant(true).toInteger(), -1);
    EXPECT_EQ(Variant().toInteger(), 0);
}

TEST(VariantWhole, ChecksRangeAfterRounding) {
    EXPECT_EQ(errorOf([] { Variant(32767.5).toInteger(); }), "Overflow");
    EXPECT_EQ(Variant(-32768.5).toInteger(), -32768);
    EXPECT_EQ(errorOf([] { Variant(std::int32_t{40000}).toInteger(); }), "Overflow");
    EXPECT_EQ(errorOf([] { Variant(9.3e18).toBigInt(); }), "Overflow");
    EXPECT_FALSE(Variant(std::numeric_limits<double>::quiet_NaN()).tryToLong());
}

TEST(VariantWhole, TextKeepsEveryDigitOfBigInts) {
    EXPECT_EQ(Variant("9223372036854775807").toBigInt(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Variant("-9223372036854775808").toBigInt(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(errorOf([] { Variant("9223372036854775808").toBigInt(); }), "Overflow");
    EXPECT_EQ(errorOf([] { Variant("1e400").toBigInt(); }), "Overflow");
    EXPECT_EQ(Variant("0e100000").toBigInt(), 0);
    EXPECT_EQ(errorOf([] { Variant("12abc").toLong(); }), "Type mismatch");
}

TEST(VariantCurrency, RoundsTiesAsWrittenToEven) {
    EXPECT_EQ(Variant::fromCurrency(2.00005).currencyScaled(), 20000);
    EXPECT_EQ(Variant::fromCurrency(2.00015).currencyScaled(), 20002);
    EXPECT_EQ(Variant::fromCurrency(-0.00005).currencyScaled(), 0);
    EXPECT_EQ(Variant::fromCurrency(0.1 + 0.2).currencyScaled(), 3000);
    EXPECT_EQ(Variant("0.00005").toCurrencyScaled(), 0);
    EXPECT_EQ(Variant("0.000050001").toCurrencyScaled(), 1);
    EXPECT_EQ(Variant("1.5e-4").toCurrencyScaled(), 2);
    EXPECT_EQ(Variant(1.23456).toCurrencyScaled(), 12346);
}

TEST(VariantCurrency, LimitsAreExact) {
    EXPECT_EQ(Variant("922337203685477.5807").toCurrencyScaled(),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Variant("-922337203685477.5808").toCurrencyScaled(),
              std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(errorOf([] { Variant("922337203685477.58075").toCurrencyScaled(); }), "Overflow");
    EXPECT_EQ(errorOf([] { Variant(std::int64_t{1} << 50).toCurrencyScaled(); }), "Overflow");
    EXPECT_EQ(errorOf([] { Variant::fromCurrency(1e16); }), "Overflow");
    EXPECT_EQ(Variant(true).toCurrencyScaled(), -10000);
    EXPECT_DOUBLE_EQ(Variant::fromCurrencyScaled(-12345).toDouble(), -1.2345);
}

TEST(VariantNumber, AcceptsOnlyPlainDecimalText) {
    EXPECT_EQ(Variant::parseNumber(" \t+.5 "), 0.5);
    EXPECT_EQ(Variant::parseNumber("1."), 1.0);
    EXPECT_EQ(Variant::parseNumber("-1.5E+3"), -1500.0);
    EXPECT_EQ(Variant::parseNumber("1e-400"), 0.0);
    for (const char* text : {"", ".", "-", "1e", "1e+", "inf", "nan", "0x10", "1 000", "1,5",
                             "True", "--1", "1e5.0"}) {
        EXPECT_FALSE(Variant::parseNumber(text)) << text;
    }
    EXPECT_EQ(errorOf([] { Variant("1e400").toDouble(); }), "Overflow");
    EXPECT_EQ(errorOf([] { Variant("True").toDouble(); }), "Type mismatch");
}

TEST(VariantBool, TextAndNumbers) {
    EXPECT_TRUE(Variant(" tRUe ").toBool());
    EXPECT_FALSE(Variant("False").toBool());
    EXPECT_FALSE(Variant("0.0").toBool());
    EXPECT_TRUE(Variant("-3").toBool());
    EXPECT_TRUE(Variant::fromCurrencyScaled(1).toBool());
    EXPECT_FALSE(Variant().toBool());
    EXPECT_EQ(errorOf([] { Variant("yes").toBool(); }), "Type mismatch");
    EXPECT_FALSE(Variant::Null().tryToBool());
    EXPECT_EQ(errorOf([] { Variant::Null().toDouble(); }), "Invalid use of Null");
}

TEST(VariantDate, CalendarAnchors) {
    EXPECT_EQ(Variant::serialFromCivil(1899, 12, 30), 0.0);
    EXPECT_EQ(Variant::serialFromCivil(100, 1, 1), Variant::MinDate);
    EXPECT_EQ(Variant::serialFromCivil(9999, 12, 31), Variant::MaxDate);
    EXPECT_EQ(Variant::serialFromCivil(2000, 3, 1) - Variant::serialFromCivil(2000, 2, 28), 2);
    EXPECT_EQ(Variant::serialFromCivil(1899, 12, 29, 6), -1.25);
    const Variant::Civil civil = Variant::civilFromSerial(-1.25);
    EXPECT_EQ(civil.year * 10000 + civil.month * 100 + civil.day, 18991229);
    EXPECT_EQ(civil.hour, 6);
}

TEST(VariantDate, FormatsByWhatIsPresent) {
    EXPECT_EQ(Variant::formatDate(0), "1899-12-30");
    EXPECT_EQ(Variant::formatDate(0.5), "12:00:00");
    EXPECT_EQ(Variant::formatDate(-0.5), "12:00:00");
    EXPECT_EQ(Variant::formatDate(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(Variant::formatDate(Variant::MinDate), "0100-01-01");
    EXPECT_EQ(Variant::formatDate(45351.0), "2024-02-29");
    const double almostMidnight = 45351.0 + (86400 - 1e-7) / 86400;
    EXPECT_EQ(Variant::formatDate(almostMidnight), "2024-03-01");
    EXPECT_EQ(Variant::formatDate(-1 - (86400 - 1e-7) / 86400), "1899-12-30");
    EXPECT_EQ(Variant::fromDate(45351.75).toText(), "2024-02-29 18:00:00");
}

TEST(VariantDate, KeepsFractionsOfASecond) {
    for (const char* text :
         {"2026-01-02 03:04:05.5", "2026-01-02 03:04:05.123", "2026-01-02 03:04:05.000001",
          "2026-01-02 03:04:05.999999", "1899-12-29 06:00:00.25", "03:04:05.05",
          "9999-12-31 23:59:59.999", "0100-01-01 00:00:00.001"}) {
        const std::optional<double> serial = Variant::parseDate(text);
        ASSERT_TRUE(serial) << text;
        EXPECT_EQ(Variant::formatDate(*serial), text);
    }
    EXPECT_EQ(Variant::formatDate(*Variant::parseDate("2026-01-02T03:04:05.120")),
              "2026-01-02 03:04:05.12");
    EXPECT_EQ(Variant::formatDate(*Variant::parseDate("2026-01-02 03:04:05.1234567")),
              "2026-01-02 03:04:05.123457");
    EXPECT_EQ(Variant::formatDate(*Variant::parseDate("1/2/2026 3:04:05.5 PM")),
              "2026-01-02 15:04:05.5");
    EXPECT_EQ(Variant::civilFromSerial(*Variant::parseDate("2026-01-02 03:04:05.25")).microsecond,
              250000);
    EXPECT_FALSE(Variant::parseDate("2026-01-02 03:04:05."));
    EXPECT_FALSE(Variant::parseDate("2026-01-02 03:04:05,5"));
}

TEST(VariantDate, EveryMicrosecondOfCurrentDatesAndEveryMillisecondOfAllDatesSurvive) {
    for (std::int64_t micros = 0; micros < 86400LL * 1000000; micros += 1000003) {
        const double serial =
            Variant::serialFromCivil(2026, 1, 2, 0, 0, static_cast<double>(micros) / 1e6);
        const Variant::Civil civil = Variant::civilFromSerial(serial);
        ASSERT_EQ(civil.day, 2) << micros;
        ASSERT_EQ(civil.second, micros / 1000000 % 60) << micros;
        ASSERT_EQ(civil.microsecond, micros % 1000000) << micros;
        const std::string text = Variant::formatDate(serial);
        ASSERT_EQ(Variant::formatDate(*Variant::parseDate(text)), text) << micros;
    }
    for (int year = 100; year <= 9999; year += 7) {
        for (int millis : {0, 1, 499, 500, 999}) {
            const double serial = Variant::serialFromCivil(year, 12, 31, 23, 59, 59 + millis / 1e3);
            const Variant::Civil civil = Variant::civilFromSerial(serial);
            ASSERT_EQ(civil.year, year);
            ASSERT_EQ(civil.second, 59);
            ASSERT_EQ(civil.microsecond, millis * 1000) << year;
        }
    }
}

TEST(VariantDate, ParsesEveryForm) {
    const double leapDay = 45351.0;
    for (const char* text : {"2024-02-29", " 2024-2-29\t", "2/29/2024", "29-feb-2024",
                             "29-February-2024", "Feb 29, 2024", "FEBRUARY 29,2024"}) {
        EXPECT_EQ(Variant::parseDate(text), leapDay) << text;
    }
    const double evening = leapDay + 0.75;
    for (const char* text : {"2024-02-29T18:00", "2024-02-29 18:00:00", "2/29/2024 6:00 PM",
                             "29-Feb-2024 06:00:00pm", "Feb 29, 2024 18:00"}) {
        EXPECT_EQ(Variant::parseDate(text), evening) << text;
    }
    EXPECT_DOUBLE_EQ(*Variant::parseDate("2024-02-29T00:00:01.5"), leapDay + 1.5 / 86400);
    EXPECT_EQ(Variant::parseDate("12:00 AM"), 0.0);
    EXPECT_EQ(Variant::parseDate("12:00 pm"), 0.5);
    EXPECT_EQ(Variant::parseDate("18:00"), 0.75);
    EXPECT_EQ(Variant::parseDate("9999-12-31 23:59:59"), Variant::MaxDate + 86399.0 / 86400);
}

TEST(VariantDate, RejectsInvalidDates) {
    for (const char* text : {"2023-02-29",  "1900-02-29",  "2024-04-31",
                             "2024-13-01",  "2024-00-10",  "2/29/23",
                             "1/1/24",      "0099-12-31",  "10000-01-01",
                             "24:00",       "10:60",       "10:00:60",
                             "0:30 AM",     "13:00 PM",    "2024-02-29 10",
                             "2024-02-29x", "29-Fbr-2024", "Feb 29 2024",
                             "True",        "45000",       ""}) {
        EXPECT_FALSE(Variant::parseDate(text)) << text;
    }
}

TEST(VariantDate, ConversionsCheckTheRange) {
    EXPECT_EQ(Variant("2024-02-29").toDate(), 45351.0);
    EXPECT_EQ(Variant(std::int32_t{45351}).toDate(), 45351.0);
    EXPECT_EQ(Variant(true).toDate(), -1.0);
    EXPECT_EQ(errorOf([] { Variant(3e6).toDate(); }), "Overflow");
    EXPECT_EQ(errorOf([] { Variant(Variant::MinDate - 1).toDate(); }), "Overflow");
    EXPECT_EQ(Variant(Variant::MaxDate + 0.5).toDate(), Variant::MaxDate + 0.5);
    EXPECT_EQ(errorOf([] { Variant("2024-02-30").toDate(); }), "Type mismatch");
    EXPECT_EQ(Variant::fromDate(2.5).toInteger(), 2);
}

}  // namespace
}  // namespace kiv

namespace kiv {

TEST(VariantTextReuse, AssignTextNeverChangesASharedText) {
    Variant value("a longer text");
    const char* buffer = value.textView().data();
    value.assignText("short");
    EXPECT_EQ(value.textView(), "short");
    EXPECT_EQ(value.textView().data(), buffer);
    const Variant shared = value;
    value.assignText("other");
    EXPECT_EQ(shared.textView(), "short");
    EXPECT_EQ(value.textView(), "other");
    value = Variant(int32_t{5});
    value.assignText("now text");
    EXPECT_EQ(value.toText(), "now text");
}

TEST(VariantTextReuse, AnEmptyViewThatPointsNowhereEmptiesTheText) {
    Variant value("some text");
    value.assignText(std::string_view());
    EXPECT_EQ(value.textView(), "");
    EXPECT_TRUE(value.isText());
}

}  // namespace kiv
