#include "platform/automation/Automation.h"

#include <gtest/gtest.h>

#include "support/OleErrors.h"

using namespace nulvane;

namespace {

// Answers every name with the next identifier and records each invocation.
class TProbe : public IOleDispatch {
public:
    std::vector<std::u16string> Names;
    struct TCall {
        TDispId Member;
        TInvokeKind Kind;
        std::vector<TVariant> Args;
        std::vector<TDispId> Named;
    };
    std::vector<TCall> Calls;
    std::string Failure;  // when set, every invocation fails with it

    TDispId GetIDOfName(std::u16string_view name) override {
        if (name == u"Missing") throw EOleException("Unknown name.");
        Names.emplace_back(name);
        return static_cast<TDispId>(Names.size());
    }
    TVariant Invoke(TDispId member, TInvokeKind kind, const TDispParams& params) override {
        if (!Failure.empty()) throw std::runtime_error(Failure);
        Calls.push_back({member, kind, {params.Args.begin(), params.Args.end()},
                         {params.NamedArgs.begin(), params.NamedArgs.end()}});
        return 7;
    }
};

}  // namespace

TEST(AutomationTest, WideTextKeepsEveryByteAndCharacter) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"plain", u"plain"},
        {"\xC3\xA9\xD0\x96", u"éЖ"},
        {"\xF0\x9F\x98\x80", u"😀"},
        {"a\xFF" "b\xC3", u"a\xDCFF" u"b\xDCC3"},      // bytes that are no UTF-8
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},       // an encoded surrogate is no character
        {"\xC0\xAF", u"\xDCC0\xDCAF"},                 // nor is an overlong form
    };
    for (const auto& [bytes, wide] : cases) {
        EXPECT_EQ(ToWideText(bytes), wide) << bytes;
        EXPECT_EQ(FromWideText(wide), bytes) << bytes;
    }
    EXPECT_EQ(FromWideText(u"x\xD800y"), "x\xEF\xBF\xBDy");
}

TEST(AutomationTest, VariantsHoldTheirTypeAndRefuseOthers) {
    EXPECT_EQ(TVariant::Bool(true).AsOleBool(), -1);
    EXPECT_EQ(TVariant::Bool(false).AsOleBool(), 0);
    EXPECT_EQ(TVariant(-4108).AsInt(), -4108);
    EXPECT_EQ(TVariant(u"A1:E1").AsWideString(), u"A1:E1");
    EXPECT_TRUE(TVariant().IsEmpty());
    EXPECT_EQ(test::DescriptionOf([] { TVariant(1).AsWideString(); }), "Type mismatch.");
    EXPECT_EQ(test::DescriptionOf([] { TVariant(u"1").AsInt(); }), "Type mismatch.");
    EXPECT_EQ(test::DescriptionOf([] { TVariant().AsDispatch(); }), "Type mismatch.");

    TWideStringArray array(0, 2, 0, 1);
    array.At(2, 1) = u"last";
    EXPECT_EQ(array.RowCount(), 3);
    EXPECT_EQ(array.ColumnCount(), 2);
    EXPECT_EQ(TVariant(array).AsArray().At(2, 1), u"last");
    EXPECT_THROW(array.At(3, 0), EListError);
    EXPECT_THROW(array.At(0, -1), EListError);
    EXPECT_EQ(TWideStringArray(0, -1, 0, 0).RowCount(), 0);
}

TEST(AutomationTest, CallsLookTheNameUpThenInvokeWithKindAndArguments) {
    auto probe = std::make_shared<TProbe>();
    EXPECT_EQ(OleInvoke(*probe, u"Cells", TInvokeKind::PropertyGet, {1, 2}).AsInt(), 7);
    OlePut(*probe, u"Value", u"text");
    OleInvoke(*probe, u"AutoFit", TInvokeKind::Method);

    EXPECT_EQ(probe->Names, (std::vector<std::u16string>{u"Cells", u"Value", u"AutoFit"}));
    ASSERT_EQ(probe->Calls.size(), 3u);
    EXPECT_EQ(probe->Calls[0].Member, 1);
    EXPECT_EQ(probe->Calls[0].Kind, TInvokeKind::PropertyGet);
    EXPECT_EQ(probe->Calls[0].Args[1].AsInt(), 2);
    EXPECT_TRUE(probe->Calls[0].Named.empty());
    EXPECT_EQ(probe->Calls[1].Kind, TInvokeKind::PropertyPut);
    EXPECT_EQ(probe->Calls[1].Args.size(), 1u);
    EXPECT_EQ(probe->Calls[1].Named, std::vector<TDispId>{DispIdPropertyPut});
    EXPECT_EQ(probe->Calls[2].Kind, TInvokeKind::Method);

    EXPECT_EQ(test::DescriptionOf([&] { OleInvoke(*probe, u"Missing", TInvokeKind::Method); }), "Unknown name.");
    EXPECT_EQ(test::DescriptionOf([&] { OleGetObject(*probe, u"Font", TInvokeKind::MethodOrGet); }), "Object required.");
    probe->Failure = "Unable to set the Value property";
    EXPECT_EQ(test::DescriptionOf([&] { OlePut(*probe, u"Value", 1); }), "Unable to set the Value property");
}

TEST(AutomationTest, RegistryCreatesByIdentifierAndReferencesAreCounted) {
    EXPECT_EQ(test::DescriptionOf([] { CreateOleObject("Nulvane.Test.Server"); }), "Invalid class string.");
    std::weak_ptr<IOleDispatch> created;
    {
        const TOleServerScope scope("Nulvane.Test.Server", [&] {
            auto object = std::make_shared<TProbe>();
            created = object;
            return object;
        });
        TDispatchRef first = CreateOleObject("nulvane.test.SERVER");
        TDispatchRef second = first;
        first.reset();
        EXPECT_FALSE(created.expired());
        second.reset();
        EXPECT_TRUE(created.expired());
        {
            const TOleServerScope failing("Nulvane.Test.Server", []() -> TDispatchRef {
                throw std::runtime_error("Server execution failed: no licence");
            });
            EXPECT_EQ(test::DescriptionOf([] { CreateOleObject("Nulvane.Test.Server"); }),
                      "Server execution failed: no licence");
        }
        EXPECT_NE(CreateOleObject("Nulvane.Test.Server"), nullptr);
        const TOleServerScope none("Nulvane.Test.Server", nullptr);
        EXPECT_EQ(test::DescriptionOf([] { CreateOleObject("Nulvane.Test.Server"); }), "Invalid class string.");
    }
    EXPECT_EQ(test::DescriptionOf([] { CreateOleObject("Nulvane.Test.Server"); }), "Invalid class string.");
}
