#include "config/XmlBinding.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/system/Errors.h"

using namespace nulvane;

TEST(XmlBindingTest, IntegerConversion) {
    const std::pair<std::string, std::int32_t> good[] = {{"0", 0}, {"120", 120}, {" 55 ", 55}, {"-7", -7}, {"+8", 8},
                                                         {"007", 7}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}};
    for (const auto& [text, value] : good) EXPECT_EQ(AttributeToInteger(text, "Width"), value) << text;
    const std::optional<std::string> bad[] = {std::nullopt, "", " ", "12px", "1 2", "12.0", "0x10", "+-1", "--1",
                                              "2147483648", "-2147483649", "99999999999999999999", "\xEF\xBC\x91"};
    for (const auto& text : bad) EXPECT_THROW(AttributeToInteger(text, "Width"), EConvertError) << text.value_or("(null)");
}

TEST(XmlBindingTest, BooleanConversion) {
    const std::pair<std::string, bool> good[] = {
        {"True", true}, {"TRUE", true}, {"tRuE", true}, {"false", false}, {"False", false}, {" true ", true}, {"1", true},
        {"-1", true},   {"2", true},    {"0", false},   {"00", false},    {"0.5", true},    {"0.0", false},
        {"99999999999999999999999", true}};
    for (const auto& [text, value] : good) EXPECT_EQ(AttributeToBoolean(text, "Visible"), value) << text;
    const std::optional<std::string> bad[] = {std::nullopt, "", "yes", "no", "t", "truex", "1.2.3", ".", "-", "nan", "inf"};
    for (const auto& text : bad) EXPECT_THROW(AttributeToBoolean(text, "Visible"), EConvertError) << text.value_or("(null)");
    EXPECT_THAT([] { AttributeToBoolean(std::string("yes"), "Visible"); },
                testing::ThrowsMessage<EConvertError>(
                    testing::StrEq("\"yes\" (attribute \"Visible\") is not a valid boolean value")));
}
