// The steps of a late-bound call, each on its own, on the library's own interfaces.
#include <gtest/gtest.h>

#include "Automation.h"

using namespace corkbase;

namespace {

DISPID IdOf(ITypeInfo* info, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);
    EXPECT_EQ(info->GetIDsOfNames(&names, 1, &id), S_OK);
    return id;
}

VARIANT Bool(VARIANT_BOOL b) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = b;
    return v;
}

ITypeInfo* NotesType() { return TypeInfoOf(IID__Notes).vtable; }

}  // namespace

TEST(LateBoundCall, AMethodCallOnAPropertyGetReadsIt) {
    EXPECT_EQ(MethodReadsProperty(DISPATCH_METHOD), DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_EQ(MethodReadsProperty(DISPATCH_PROPERTYPUT), DISPATCH_PROPERTYPUT);
}

TEST(LateBoundCall, ScreeningNamesTheFirstArgumentNothingMayRead) {
    VARIANT args[2] = {Bool(VARIANT_TRUE), Bool(VARIANT_TRUE)};
    args[1].vt = VT_BYREF | VT_BSTR;
    args[1].pbstrVal = nullptr;
    DISPPARAMS params{args, nullptr, 2, 0};
    auto refused = ScreenArguments(params);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->code, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(refused->argument, 1u);
    args[1] = Bool(VARIANT_FALSE);
    EXPECT_FALSE(ScreenArguments(params));
}

TEST(LateBoundCall, OnlyAPropertyThatGivesAnObjectPassesExtraArgumentsOn) {
    VARIANT one = Bool(VARIANT_TRUE);
    DISPID first = 0;
    DISPPARAMS byPosition{&one, nullptr, 1, 0}, byName{&one, &first, 1, 1};
    FuncDescOf notes(NotesType(), IdOf(NotesType(), L"Notes"), DISPATCH_PROPERTYGET);
    FuncDescOf addNote(NotesType(), IdOf(NotesType(), L"AddNote"), DISPATCH_METHOD);
    ASSERT_TRUE(notes && addNote);
    EXPECT_EQ(SurplusOf(*notes, byPosition), Surplus::ForDefaultMember);
    EXPECT_EQ(SurplusOf(*notes, byName), Surplus::None) << "a name is placed, or refused, as a name";
    EXPECT_EQ(SurplusOf(*addNote, byPosition), Surplus::Refused);
}

TEST(LateBoundCall, ANameTheMemberDoesNotHaveIsRefusedWithItsIndex) {
    FuncDescOf setOnTop(NotesType(), IdOf(NotesType(), L"SetOnTop"), DISPATCH_METHOD);
    ASSERT_TRUE(setOnTop);
    VARIANT args[2] = {Bool(VARIANT_FALSE), Bool(VARIANT_FALSE)};
    for (DISPID stranger : {DISPID{1}, DISPID{DISPID_PROPERTYPUT}, DISPID{0}}) {
        DISPID names[2] = {0, stranger};
        DISPPARAMS params{args, names, 2, 2};
        Arguments placed(*setOnTop, params);
        auto refused = placed.Place();
        ASSERT_TRUE(refused) << "named " << stranger;
        EXPECT_EQ(refused->code, DISP_E_PARAMNOTFOUND);
        EXPECT_EQ(refused->argument, 1u);
    }
    DISPID own = 0;
    DISPPARAMS named{args, &own, 1, 1};
    Arguments placed(*setOnTop, named);
    EXPECT_FALSE(placed.Place());
}

TEST(LateBoundCall, AnOmittedFlagByReferenceGetsItsDefaultThroughATemporary) {
    FuncDescOf setOnTop(NotesType(), IdOf(NotesType(), L"SetOnTop"), DISPATCH_METHOD);
    ASSERT_TRUE(setOnTop);
    DISPPARAMS none{};
    Arguments args(*setOnTop, none);
    ASSERT_FALSE(args.Place());
    ASSERT_FALSE(args.SupplyOmitted());
    DISPPARAMS record = args.Record();
    ASSERT_EQ(record.cArgs, 1u);
    EXPECT_EQ(record.cNamedArgs, 0u);
    ASSERT_EQ(record.rgvarg[0].vt, VT_BYREF | VT_BOOL);
    EXPECT_EQ(*record.rgvarg[0].pboolVal, VARIANT_TRUE);
    EXPECT_EQ(args.CallerIndex(0), std::nullopt) << "no argument of the caller's";
}

TEST(LateBoundCall, AVariableGivenByReferenceGetsTheResultBack) {
    FuncDescOf setOnTop(NotesType(), IdOf(NotesType(), L"SetOnTop"), DISPATCH_METHOD);
    ASSERT_TRUE(setOnTop);
    VARIANT variable = Bool(VARIANT_TRUE), arg;
    VariantInit(&arg);
    arg.vt = VT_BYREF | VT_VARIANT;
    arg.pvarVal = &variable;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    Arguments args(*setOnTop, params);
    ASSERT_FALSE(args.Place());
    ASSERT_FALSE(args.SupplyOmitted());
    ASSERT_FALSE(args.Convert());
    DISPPARAMS record = args.Record();
    ASSERT_EQ(record.rgvarg[0].vt, VT_BYREF | VT_BOOL);
    *record.rgvarg[0].pboolVal = VARIANT_FALSE;  // as the member writes its result
    EXPECT_EQ(variable.boolVal, VARIANT_TRUE) << "not before the member succeeded";
    args.WriteBack();
    EXPECT_EQ(variable.vt, VT_BOOL);
    EXPECT_EQ(variable.boolVal, VARIANT_FALSE);
    EXPECT_EQ(args.CallerIndex(0), 0u);
}

TEST(LateBoundCall, APropertysValueKeepsItsNameAndAValueThatDoesNotConvertIsDescribed) {
    ITypeInfo* note = TypeInfoOf(IID__Note).vtable;
    FuncDescOf left(note, IdOf(note, L"Left"), DISPATCH_PROPERTYPUT);
    ASSERT_TRUE(left);
    tk::Bstr abc(L"abc");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = abc.get();
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &put, 1, 1};
    Arguments args(*left, params);
    ASSERT_FALSE(args.Place());
    ASSERT_FALSE(args.SupplyOmitted());
    auto refused = args.Convert();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->code, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(refused->argument, 0u);
    EXPECT_EQ(refused->description, L"\"abc\" is not a number");

    VARIANT number;
    VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 300;
    DISPPARAMS byPosition{&number, nullptr, 1, 0};
    Arguments placed(*left, byPosition);
    ASSERT_FALSE(placed.Place());
    ASSERT_FALSE(placed.Convert());
    DISPPARAMS record = placed.Record();
    ASSERT_EQ(record.cNamedArgs, 1u);
    EXPECT_EQ(record.rgdispidNamedArgs[0], DISPID_PROPERTYPUT);
    EXPECT_EQ(record.rgvarg[0].lVal, 300);
}
