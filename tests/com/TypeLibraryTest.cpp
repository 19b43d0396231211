// The type library embedded in Corkbase2.dll, read back member by member.
#include <gtest/gtest.h>

#include "Support.h"

using namespace test;

namespace {

struct Param {
    VARTYPE vt;  // VT_PTR params give the pointee in `to`
    VARTYPE to;
    USHORT flags;
};

struct Member {
    const wchar_t* name;
    MEMBERID id;
    INVOKEKIND kind;
    std::vector<Param> params;
};

constexpr USHORT In = PARAMFLAG_FIN, Out = PARAMFLAG_FOUT, Ret = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

ComPtr<ITypeLib> Library() {
    ComPtr<ITypeLib> lib;
    EXPECT_EQ(LoadTypeLibEx(LibraryPath().c_str(), REGKIND_NONE, lib.put()), S_OK);
    return lib;
}

ComPtr<ITypeInfo> Dispatch(ITypeLib* lib, REFIID iid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(lib->GetTypeInfoOfGuid(iid, info.put()), S_OK);
    return info;
}

ComPtr<ITypeInfo> Vtable(ITypeInfo* dispatch) {
    HREFTYPE ref = 0;
    EXPECT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(dispatch->GetRefTypeInfo(ref, info.put()), S_OK);
    return info;
}

void ExpectFlags(ITypeInfo* info, WORD set, WORD clear) {
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->wTypeFlags & set, set) << std::hex << attr->wTypeFlags;
    EXPECT_EQ(attr->wTypeFlags & clear, 0) << std::hex << attr->wTypeFlags;
    info->ReleaseTypeAttr(attr);
}

// Every member of the vtable half, in vtable order.
void ExpectMembers(ITypeInfo* vtable, const std::vector<Member>& expected) {
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    ASSERT_EQ(attr->cFuncs, expected.size());
    vtable->ReleaseTypeAttr(attr);
    SHORT lastOffset = -1;
    for (UINT i = 0; i < expected.size(); ++i) {
        const Member& m = expected[i];
        FUNCDESC* f = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(i, &f), S_OK);
        tk::Bstr name;
        vtable->GetDocumentation(f->memid, name.put(), nullptr, nullptr, nullptr);
        EXPECT_EQ(name.str(), m.name) << i;
        EXPECT_EQ(f->memid, m.id) << m.name;
        EXPECT_EQ(f->invkind, m.kind) << m.name;
        EXPECT_GT(f->oVft, lastOffset) << m.name << " keeps its vtable place";
        lastOffset = f->oVft;
        EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_HRESULT) << m.name;
        EXPECT_EQ(f->cParams, static_cast<SHORT>(m.params.size())) << m.name;
        for (SHORT p = 0; p < f->cParams && p < static_cast<SHORT>(m.params.size()); ++p) {
            const TYPEDESC& t = f->lprgelemdescParam[p].tdesc;
            EXPECT_EQ(t.vt, m.params[p].vt) << m.name << " param " << p;
            if (t.vt == VT_PTR) {
                VARTYPE to = t.lptdesc->vt;
                if (to == VT_PTR) to = t.lptdesc->lptdesc->vt;  // _Note** and the like
                EXPECT_EQ(to, m.params[p].to) << m.name << " param " << p;
            }
            USHORT flags = f->lprgelemdescParam[p].paramdesc.wParamFlags &
                           (PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL | PARAMFLAG_FOPT);
            EXPECT_EQ(flags & ~PARAMFLAG_FOPT & ~PARAMFLAG_FHASDEFAULT, m.params[p].flags & ~PARAMFLAG_FOPT)
                << m.name << " param " << p;
        }
        vtable->ReleaseFuncDesc(f);
    }
}

const Param RetBool{VT_PTR, VT_BOOL, Ret}, RetLong{VT_PTR, VT_I4, Ret}, RetStr{VT_PTR, VT_BSTR, Ret},
    InBool{VT_BOOL, 0, In}, InLong{VT_I4, 0, In};
constexpr INVOKEKIND Method = INVOKE_FUNC, Get = INVOKE_PROPERTYGET, Let = INVOKE_PROPERTYPUT;

}  // namespace

TEST(TypeLibrary, IdentifiesItselfAsNoteLibrary13) {
    auto lib = Library();
    ASSERT_TRUE(lib);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_NoteLibrary));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 3);
    EXPECT_EQ(attr->lcid, 0x409u);
    EXPECT_EQ(attr->syskind, SYS_WIN64);
    lib->ReleaseTLibAttr(attr);
    tk::Bstr name, doc;
    ASSERT_EQ(lib->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.str(), L"NoteLibrary");
    EXPECT_EQ(doc.str(), L"Quillpost Corkbase Library Version 2");
}

TEST(TypeLibrary, NotesInterfaceMatchesItsContract) {
    auto lib = Library();
    auto dispatch = Dispatch(lib.get(), IID__Notes);
    ExpectFlags(dispatch.get(), TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE,
                0);
    auto vtable = Vtable(dispatch.get());
    ExpectFlags(vtable.get(), TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL, 0);
    ExpectMembers(vtable.get(), {
                                    {L"CollapseAll", 0x60030001, Method, {}},
                                    {L"ShowAll", 0x60030002, Method, {}},
                                    {L"HideAll", 0x60030003, Method, {}},
                                    {L"AddNote", 0x60030004, Method, {{VT_PTR, VT_USERDEFINED, Ret}}},
                                    {L"DeleteNote", 0x60030005, Method, {{VT_PTR, VT_I4, In | Out}, RetLong}},
                                    {L"Notes", 0x68030000, Get, {{VT_PTR, VT_USERDEFINED, Ret}}},
                                    {L"SaveAll", 0x60030006, Method, {RetLong}},
                                    {L"SetOnTop", 0x60030007, Method, {{VT_PTR, VT_BOOL, In | Out}}},
                                    {L"LoadAll", 0x60030008, Method, {}},
                                    {L"IsChanged", 0x68030009, Get, {RetBool}},
                                    {L"ThroughClicks", 0x6803000B, Get, {RetBool}},
                                    {L"ThroughClicks", 0x6803000B, Let, {InBool}},
                                    {L"TransparencyLevel", 0x6803000A, Get, {RetLong}},
                                    {L"TransparencyLevel", 0x6803000A, Let, {InLong}},
                                });
}

TEST(TypeLibrary, TheCollectionsNewMembersExtendItsInterfaceAndItsDispatchServesBoth) {
    auto vtable = Vtable(Dispatch(Library().get(), IID__Notes2).get());
    ExpectMembers(vtable.get(), {
                                    {L"FindInNotes", 0x60040020, Method, {{VT_BSTR, 0, In}, RetLong}},
                                    {L"AskFindText", 0x60040021, Method, {RetStr}},
                                    {L"DeletedCount", 0x60040001, Get, {RetLong}},
                                    {L"DeletedName", 0x60040002, Get, {{VT_I4, 0, In}, RetStr}},
                                    {L"DeletedTime", 0x60040003, Get, {{VT_I4, 0, In}, {VT_PTR, VT_DATE, Ret}}},
                                    {L"DeletedID", 0x60040004, Get, {{VT_I4, 0, In}, RetLong}},
                                    {L"RestoreDeleted", 0x60040005, Method,
                                     {{VT_I4, 0, In}, {VT_PTR, VT_USERDEFINED, Ret}}},
                                    {L"EmptyDeleted", 0x60040006, Method, {}},
                                    {L"LastDeletedByCommand", 0x60040007, Get, {RetLong}},
                                });
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &ref), S_OK);
    ASSERT_EQ(vtable->GetRefTypeInfo(ref, base.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(base->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID__Notes)) << "it extends _Notes, whose layout stays";
    base->ReleaseTypeAttr(attr);

    auto notes = NewNotes();
    ComPtr<_Notes2> extended = notes.as<_Notes2>(IID__Notes2);
    ASSERT_TRUE(extended);
    for (const wchar_t* name : {L"ShowAll", L"FindInNotes", L"RestoreDeleted"}) {
        DISPID id = 0;
        auto* names = const_cast<LPOLESTR>(name);
        EXPECT_EQ(notes->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << Narrow(name);
    }
    // Keeping the store is qpost's, in its own process: a script that could would stop
    // every later qpost from starting.
    DISPID id = 0;
    auto* keepStore = const_cast<LPOLESTR>(L"KeepStore");
    EXPECT_EQ(notes->GetIDsOfNames(IID_NULL, &keepStore, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}

TEST(TypeLibrary, SetOnTopTakesAnOptionalFlagDefaultingToTrue) {
    auto vtable = Vtable(Dispatch(Library().get(), IID__Notes).get());
    FUNCDESC* f = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(7, &f), S_OK);
    const PARAMDESC& p = f->lprgelemdescParam[0].paramdesc;
    EXPECT_TRUE(p.wParamFlags & PARAMFLAG_FOPT);
    ASSERT_TRUE(p.wParamFlags & PARAMFLAG_FHASDEFAULT);
    VARIANT def = p.pparamdescex->varDefaultValue;
    VariantChangeType(&def, &def, 0, VT_I4);
    EXPECT_EQ(def.lVal, -1);
    vtable->ReleaseFuncDesc(f);
}

TEST(TypeLibrary, NoteInterfaceMatchesItsContract) {
    auto lib = Library();
    auto dispatch = Dispatch(lib.get(), IID__Note);
    ExpectFlags(dispatch.get(), TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE,
                0);
    auto vtable = Vtable(dispatch.get());
    ExpectFlags(vtable.get(), TYPEFLAG_FOLEAUTOMATION, 0);
    const Param InStrRef{VT_PTR, VT_BSTR, In | Out};
    ExpectMembers(vtable.get(), {
                                    {L"Show", 0x6003000E, Method, {}},
                                    {L"Hide", 0x6003000F, Method, {}},
                                    {L"IsChanged", 0x6803000B, Get, {RetBool}},
                                    {L"Delete", 0x60030010, Method, {}},
                                    {L"Parent", 0x6803000A, Get, {{VT_PTR, VT_USERDEFINED, Ret}}},
                                    {L"NoteID", 0x68030009, Get, {RetLong}},
                                    {L"OnTop", 0x68030008, Get, {RetBool}},
                                    {L"OnTop", 0x68030008, Let, {InBool}},
                                    {L"Color", 0x68030007, Get, {RetLong}},
                                    {L"Color", 0x68030007, Let, {InLong}},
                                    {L"Left", 0x68030006, Get, {RetLong}},
                                    {L"Left", 0x68030006, Let, {InLong}},
                                    {L"Top", 0x68030005, Get, {RetLong}},
                                    {L"Top", 0x68030005, Let, {InLong}},
                                    {L"Height", 0x68030004, Get, {RetLong}},
                                    {L"Height", 0x68030004, Let, {InLong}},
                                    {L"Width", 0x68030003, Get, {RetLong}},
                                    {L"Width", 0x68030003, Let, {InLong}},
                                    {L"Text", 0x68030002, Get, {RetStr}},
                                    {L"Text", 0x68030002, Let, {InStrRef}},
                                    {L"Collapsed", 0x68030001, Get, {RetBool}},
                                    {L"Collapsed", 0x68030001, Let, {InBool}},
                                    {L"IsVisible", 0x68030000, Get, {RetBool}},
                                    {L"Title", 0x68030011, Get, {RetStr}},
                                    {L"Title", 0x68030011, Let, {{VT_BSTR, 0, In}}},
                                });
}

TEST(TypeLibrary, Note2ExtendsNoteWithZoom) {
    auto dispatch = Dispatch(Library().get(), IID__Note2);
    ExpectFlags(dispatch.get(), TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE,
                0);
    auto vtable = Vtable(dispatch.get());
    ExpectMembers(vtable.get(), {{L"Zoom", 0x68040001, Get, {RetLong}}, {L"Zoom", 0x68040001, Let, {InLong}}});
    HREFTYPE ref = 0;
    ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &ref), S_OK);
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(vtable->GetRefTypeInfo(ref, base.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(base->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID__Note)) << "_Note2 extends the designed _Note";
    base->ReleaseTypeAttr(attr);
}

TEST(TypeLibrary, NoteListHasCountItemAndARestrictedEnumerator) {
    auto dispatch = Dispatch(Library().get(), IID__NoteList);
    ExpectFlags(dispatch.get(), TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE, 0);
    auto vtable = Vtable(dispatch.get());
    ExpectMembers(vtable.get(), {
                                    {L"Count", 1, Get, {RetLong}},
                                    {L"Item", DISPID_VALUE, Get, {{VT_VARIANT, 0, In}, {VT_PTR, VT_USERDEFINED, Ret}}},
                                    {L"_NewEnum", DISPID_NEWENUM, Get, {{VT_PTR, VT_UNKNOWN, Ret}}},
                                });
    FUNCDESC* f = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(2, &f), S_OK);
    EXPECT_TRUE(f->wFuncFlags & FUNCFLAG_FRESTRICTED);
    vtable->ReleaseFuncDesc(f);
}

TEST(TypeLibrary, BothClassesAreCreatableWithTheirDefaultInterfaces) {
    auto lib = Library();
    for (auto [clsid, iid] : {std::pair{&CLSID_Notes, &IID__Notes}, std::pair{&CLSID_Note, &IID__Note}}) {
        ComPtr<ITypeInfo> coclass;
        ASSERT_EQ(lib->GetTypeInfoOfGuid(*clsid, coclass.put()), S_OK);
        ExpectFlags(coclass.get(), TYPEFLAG_FCANCREATE, 0);
        INT flags = 0;
        ASSERT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
        EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
        HREFTYPE ref;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
        ComPtr<ITypeInfo> itf;
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, itf.put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(itf->GetTypeAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualGUID(attr->guid, *iid));
        itf->ReleaseTypeAttr(attr);
    }
}
