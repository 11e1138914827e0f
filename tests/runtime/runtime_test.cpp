#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>

#include "conversions.h"
#include "random_source.h"
#include "runtime_error.h"

using namespace tavola;

namespace {

#define ZEROS100 "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
#define ZEROS400 ZEROS100 ZEROS100 ZEROS100 ZEROS100

template <typename Action> RuntimeError::Number ErrorOf(Action action) {
    try {
        action();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    ADD_FAILURE() << "no run-time error";
    return RuntimeError::Number{};
}

TEST(LeadingNumber, ReadsOnlyTheLeadingNumber) {
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0},        {"abc", 0},    {"12\r\n", 12},
        {"  42", 42},   {"\t7x", 7},   {"-5", -5},
        {"+5", 5},      {"3.5", 3.5},  {".5", 0.5},
        {"5.", 5},      {"1e3", 1000}, {"1E+2z", 100},
        {"2e", 2},      {"2e-", 2},    {"-", 0},
        {".", 0},       {"12 34", 12}, {"0042", 42},
        {"9e99", 9e99}, {"\r\n12", 0}, {"1e400", HUGE_VAL},
        {"1e-400", 0},  {"-1e400", -HUGE_VAL},
        // The value decides, not the exponent's sign: a record file of 10^399
        // must not read as 0, nor one of 10^-401 as unbeatable.
        {"1" ZEROS400 "e-1", HUGE_VAL}, {"0." ZEROS400 "1", 0}, {"0.00" ZEROS400 "1e3", 0},
        {"0." ZEROS400 "1e9999", HUGE_VAL}, {"1e-99999999999999999999999", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
}

TEST(NearestShort, RoundsHalvesToEvenAndTrapsOutsideTheRange) {
    struct Case {
        double value;
        int expected;
    } cases[] = {{0.5, 0},   {1.5, 2},     {2.5, 2},         {-0.5, 0},       {-1.5, -2},
                 {63.4, 63}, {9999, 9999}, {32767.4, 32767}, {-32768, -32768}};
    for (const auto& c : cases)
        EXPECT_EQ(NearestShort(c.value).value(), c.expected) << c.value;
    for (double value : {32767.5, -32768.6, 9e99, HUGE_VAL, double(NAN)}) {
        EXPECT_FALSE(TryNearestShort(value)) << value;
        EXPECT_EQ(ErrorOf([&] { NearestShort(value); }), RuntimeError::Overflow) << value;
    }
}

TEST(FloorToShort, TakesTheLargestIntegerNotAbove) {
    EXPECT_EQ(FloorToShort(0.999999 * 15).value(), 14);
    EXPECT_EQ(FloorToShort(9.99).value(), 9);
    EXPECT_EQ(FloorToShort(-0.5).value(), -1);
    EXPECT_EQ(ErrorOf([] { FloorToShort(32768); }), RuntimeError::Overflow);
}

TEST(FormatNumber, FollowsThePicture) {
    struct Case {
        double value;
        const char* picture;
        const char* expected;
    } cases[] = {
        {0, "#0", "0"},     {7, "#0", "7"},      {63, "####0", "63"}, {1234, "###0", "1234"},
        {0, "00", "00"},    {5, "00", "05"},     {59, "00", "59"},    {-1, "00", "-01"},
        {600, "#0", "600"}, {12, "####0", "12"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.picture), c.expected) << c.value << ' ' << c.picture;
    EXPECT_EQ(FormatNumber(-0x1p62, "#0"), "-4611686018427387904");
}

TEST(FormatNumber, NoPictureShowsWhatHasNoDigits) {
    for (double value : {double(NAN), HUGE_VAL, -HUGE_VAL, 0x1p63, -0x1p63, 1e300})
        EXPECT_EQ(ErrorOf([&] { FormatNumber(value, "#0"); }), RuntimeError::Overflow) << value;
}

TEST(Short, TrapsOverflowInEveryOperation) {
    EXPECT_EQ((Short(7) * Short(9)).value(), 63);
    EXPECT_EQ(ErrorOf([] { Short(32767) + Short(1); }), RuntimeError::Overflow);
    EXPECT_EQ(ErrorOf([] { Short(-32768) - Short(1); }), RuntimeError::Overflow);
    EXPECT_EQ(ErrorOf([] { Short(200) * Short(200); }), RuntimeError::Overflow);
    EXPECT_EQ(ErrorOf([] {
                  Short counter = 32767;
                  counter += 1;
              }),
              RuntimeError::Overflow);
    EXPECT_EQ(ErrorOf([] { Short(40000); }), RuntimeError::Overflow);
}

// The player reads the report: the file once and the reason once, in Italian.
TEST(FileError, SaysTheFileAndTheReasonOnceInItalian) {
    struct Case {
        int error;
        RuntimeError::Number number;
        const char* text;
    } cases[] = {
        {ENOENT, RuntimeError::PathNotFound, "Percorso non trovato: /r/f"},
        {EACCES, RuntimeError::PermissionDenied, "Autorizzazione negata: /r/f"},
        {EROFS, RuntimeError::PermissionDenied, "Autorizzazione negata: /r/f"},
        {ENOSPC, RuntimeError::DiskFull, "Disco pieno: /r/f"},
        {EIO, RuntimeError::DeviceIoError, "Errore di I/O della periferica: /r/f"},
        {ELOOP, RuntimeError::PathFileAccessError, "Non è un file: /r/f"},
        {EISDIR, RuntimeError::PathFileAccessError, "Non è un file: /r/f"},
        {EBUSY, RuntimeError::PathFileAccessError, "Errore di accesso al percorso o al file: /r/f"},
    };
    for (const auto& c : cases) {
        const RuntimeError error = FileError("/r/f", c.error);
        EXPECT_EQ(error.number(), c.number) << c.text;
        EXPECT_STREQ(error.what(), c.text);
    }
}

TEST(RandomSource, StartsFromTheSameValuesAndReseedsApart) {
    RandomSource first, second;
    const double a = first.Next();
    EXPECT_EQ(a, second.Next());
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, 1.0);
    first.Reseed();
    const double afterFirst = first.Next();
    second.Reseed();
    EXPECT_NE(afterFirst, second.Next()) << "two reseeds in quick succession gave the same start";
}

} // namespace
