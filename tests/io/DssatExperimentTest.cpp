// The DSSAT experiment layout as the field writes it: dates of every form, free texts with blanks, values
// left blank under their titles, several tables in a section, comments.

#include "io/DssatExperiment.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

std::string Date(std::string_view text) {
    const auto date = ParseDssatDate(text, "here");
    if (!date) return date.message();
    return *date ? IsoDateText(**date) : "missing";
}

TEST(DssatExperiment, DatesOfEveryForm) {
    EXPECT_EQ(Date("21140"), "2021-05-20");
    EXPECT_EQ(Date("2021140"), "2021-05-20");
    EXPECT_EQ(Date("98366"), "here: \"98366\" names day 366 of 1998, which has 365 days.");
    EXPECT_EQ(Date("00366"), "2000-12-31"); // a leap year
    EXPECT_EQ(Date("1015"), "2001-01-15");  // the leading 0 of the year left out, as I5 writes it
    EXPECT_EQ(Date("50001"), "1950-01-01"); // two-digit years by the readers' one rule
    EXPECT_EQ(Date("-99"), "missing");
    EXPECT_EQ(Date(""), "missing");
    EXPECT_EQ(Date("211400"), "here: \"211400\" is not a date written YYDDD or YYYYDDD.");
    EXPECT_EQ(Date("21-140"), "here: \"21-140\" is not a date written YYDDD or YYYYDDD.");
    EXPECT_EQ(Date("21000"), "here: \"21000\" names day 0 of 2021, which has 365 days.");
}

TEST(DssatExperiment, SectionsTablesAndRows) {
    const auto sections = ReadDssatSections("free text before any section\n"
                                            "*TREATMENTS   ----FACTOR LEVELS----\r\n"
                                            "@N R O C TNAME.................... CU MP\r\n"
                                            " 1 1 0 0 Early sowing, 25 hills     1  1\r\n"
                                            "   ! a comment\r\n"
                                            " 2 1 0 0 Late                       1  2\r\n"
                                            "*FIELDS\n"
                                            "@L ...........XCRD ...........YCRD\n"
                                            " 1           8.420                \n"
                                            "@L ID_FIELD WSTA....\n"
                                            " 1 TEST0001 TEST2101\n"
                                            " 2 TEST0002 TEST2101 extra\n");
    ASSERT_EQ(sections.size(), 2U);
    EXPECT_EQ(sections[0].title, "TREATMENTS   ----FACTOR LEVELS----");
    const DssatTable& treatments = sections[0].tables.at(0);
    EXPECT_EQ(treatments.titles, (std::vector<std::string>{"N", "R", "O", "C", "TNAME", "CU", "MP"}));
    ASSERT_EQ(treatments.rows.size(), 2U);
    EXPECT_EQ(treatments.rows[0].values,
              (std::vector<std::string>{"1", "1", "0", "0", "Early sowing, 25 hills", "1", "1"}));
    EXPECT_EQ(treatments.rows[1].line, 6);
    const DssatTable& coordinates = sections[1].tables.at(0);
    EXPECT_EQ(coordinates.titles, (std::vector<std::string>{"L", "XCRD", "YCRD"}));
    EXPECT_EQ(coordinates.rows.at(0).values, (std::vector<std::string>{"1", "8.420", ""})); // left blank
    const DssatTable& fields = sections[1].tables.at(1);
    EXPECT_EQ(*fields.column("WSTA"), 2U);
    EXPECT_TRUE(fields.rows.at(0).problem.empty());
    EXPECT_EQ(
        fields.rows.at(1).problem,
        "line 12: 4 values under the 3 titles of line 10, and the values do not stand under the titles");
}

TEST(DssatExperiment, ObservationsOfTimeCourseAndSummary) {
    const auto course = ReadDssatObservations("*EXP.DATA (T): X\n"
                                              "@TRNO   DATE  LAID  CWAD\n"
                                              "    1  21160  0.85  1500\n"
                                              "    1  21170         -99\n"
                                              "@TRNO   DATE  T#AD\n"
                                              "    2 2021165   410\n",
                                              "X.RIT", true);
    ASSERT_TRUE(course) << course.message();
    ASSERT_EQ(course->rows.size(), 3U);
    EXPECT_EQ(course->rows[0].numbers, (std::map<std::string, double>{{"LAID", 0.85}, {"CWAD", 1500}}));
    EXPECT_TRUE(course->rows[1].numbers.empty());
    EXPECT_EQ(course->rows[2].treatment, 2);
    EXPECT_EQ(IsoDateText(*course->rows[2].date), "2021-06-14");
    EXPECT_EQ(course->titles, (std::vector<std::string>{"TRNO", "DATE", "LAID", "CWAD", "T#AD"}));

    const auto undated = ReadDssatObservations("@TRNO   DATE  LAID\n    1    -99  0.85\n", "X.RIT", true);
    EXPECT_EQ(undated.message(), "X.RIT, line 2, column DATE: the date is missing.");
    const auto summary = ReadDssatObservations("@TRNO  ADAT  MDAT\n    1 21205   -99\n", "X.RIA", false);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->rows[0].dates.size(), 1U);
    EXPECT_EQ(IsoDateText(summary->rows[0].dates.at("ADAT")), "2021-07-24");
    const auto numberless = ReadDssatObservations("@TRNO  ADAT\n    x 21205\n", "X.RIA", false);
    EXPECT_EQ(numberless.message(), "X.RIA, line 2, column TRNO: \"x\" is not a number.");
    // Beyond any integer: refused by its value, never cast first.
    const auto huge = ReadDssatObservations("@TRNO  ADAT\n 1e31 21205\n", "X.RIA", false);
    EXPECT_EQ(huge.message(), "X.RIA, line 2, column TRNO: \"1e31\" is not a whole number.");
    const auto unnumbered = ReadDssatExperiment("*TREATMENTS\n@X TNAME\n 1 Early\n", "X.RIX");
    EXPECT_EQ(unnumbered.message(), "X.RIX, line 2: the titles lack N, the rows' numbers.");
}

} // namespace
} // namespace tulo
