// Drag and drop: the DROPFILES block, the data object's and the enumerator's
// answers, the drag record cleared after a drag, the drop menu, and drops
// onto the browser's list and onto windows that take nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppState.h"
#include "browser/Browser.h"
#include "browser/DragSource.h"
#include "browser/DropTarget.h"
#include "browser/FileList.h"
#include "support/PopupMenuDriver.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::TempDir;

const wchar_t kTwoFiles[] = L"C:\\a.jpg\0C:\\dir\\b.png\0";  // the literal adds the second zero

FORMATETC HdropFormat() { return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

TEST(DropFiles, HeaderListAndRoundedSize) {
    EXPECT_EQ(DropFilesBlockSize(10), 64u);
    EXPECT_EQ(DropFilesBlockSize(0), 32u);
    EXPECT_EQ(DropFilesBlockSize(5), 64u);  // 10 + 22 bytes fill a block: one more
    const size_t n = PathListLength(kTwoFiles);
    ASSERT_EQ(n, 8u + 1 + 12 + 1 + 1);
    HGLOBAL block = BuildDropFiles(kTwoFiles, n, POINT{123, 45});
    ASSERT_NE(block, nullptr);
    ASSERT_GE(GlobalSize(block), DropFilesBlockSize(n));
    const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
    uint32_t header[5];
    memcpy(header, bytes, sizeof header);
    EXPECT_EQ(header[0], 20u);
    EXPECT_EQ(header[1], 123u);
    EXPECT_EQ(header[2], 45u);
    EXPECT_EQ(header[3], 1u);
    EXPECT_EQ(header[4], 1u);
    EXPECT_EQ(memcmp(bytes + 20, kTwoFiles, n * sizeof(wchar_t)), 0);
    for (size_t i = 20 + n * sizeof(wchar_t); i < DropFilesBlockSize(n); ++i) EXPECT_EQ(bytes[i], 0) << i;
    GlobalUnlock(block);
    HDROP drop = static_cast<HDROP>(block);
    ASSERT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    wchar_t path[MAX_PATH];
    DragQueryFileW(drop, 1, path, MAX_PATH);
    EXPECT_STREQ(path, L"C:\\dir\\b.png");
    EXPECT_EQ(CDropTarget::DroppedFilesText(drop), L"C:\\a.jpg\nC:\\dir\\b.png\n");
    GlobalFree(block);
}

TEST(EnumFormatEtc, NextSkipResetClone) {
    FORMATETC one = HdropFormat();
    CEnumFormatEtc* e = new CEnumFormatEtc(&one, 1);
    FORMATETC out[5] = {};
    ULONG fetched = 99;
    EXPECT_EQ(e->Next(5, out, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(out[0].cfFormat, CF_HDROP);
    EXPECT_EQ(e->Next(1, out, &fetched), S_FALSE);  // at the end
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Next(2, out, nullptr), S_FALSE);  // more than one needs a count pointer
    EXPECT_EQ(e->Next(0, out, &fetched), S_FALSE);
    EXPECT_EQ(e->Skip(1), S_FALSE);  // reaching the end: the index stays
    EXPECT_EQ(e->Skip(5), S_FALSE);
    IEnumFORMATETC* clone = nullptr;
    EXPECT_EQ(e->Clone(nullptr), S_FALSE);
    ASSERT_EQ(e->Clone(&clone), S_OK);
    EXPECT_EQ(clone->Next(1, out, nullptr), S_OK);  // the clone starts where the original stands
    EXPECT_EQ(e->Next(1, out, &fetched), S_OK);
    EXPECT_EQ(fetched, 1u);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(e->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    void* other = &unknown;
    EXPECT_EQ(e->QueryInterface(IID_IDataObject, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(clone->Release(), 0u);
    EXPECT_EQ(e->Release(), 0u);
}

TEST(DataObject, AnswersAndCopies) {
    CDataObject* data = new CDataObject();
    FORMATETC format = HdropFormat();
    STGMEDIUM medium = {};
    EXPECT_EQ(data->GetData(nullptr, &medium), E_INVALIDARG);
    EXPECT_EQ(data->GetData(&format, &medium), DV_E_FORMATETC);
    EXPECT_EQ(data->QueryGetData(nullptr), DV_E_FORMATETC);
    EXPECT_EQ(data->QueryGetData(&format), DV_E_TYMED);  // nothing stored
    FORMATETC thumbnail = format;
    thumbnail.dwAspect = DVASPECT_THUMBNAIL;
    EXPECT_EQ(data->QueryGetData(&thumbnail), DV_E_DVASPECT);

    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = BuildDropFiles(kTwoFiles, PathListLength(kTwoFiles), POINT{0, 0});
    ASSERT_EQ(data->SetData(&format, &medium, TRUE), S_OK);
    EXPECT_EQ(data->QueryGetData(&format), S_OK);
    FORMATETC text = format;
    text.cfFormat = CF_UNICODETEXT;
    EXPECT_EQ(data->QueryGetData(&text), DV_E_CLIPFORMAT);
    FORMATETC stream = format;
    stream.tymed = TYMED_ISTREAM;
    EXPECT_EQ(data->QueryGetData(&stream), DV_E_TYMED);
    EXPECT_EQ(data->GetData(&text, &medium), DV_E_FORMATETC);

    STGMEDIUM copy = {};
    ASSERT_EQ(data->GetData(&format, &copy), S_OK);
    EXPECT_EQ(copy.tymed, (DWORD)TYMED_HGLOBAL);
    EXPECT_NE(copy.hGlobal, medium.hGlobal);
    EXPECT_EQ(copy.pUnkForRelease, static_cast<IUnknown*>(data));
    EXPECT_EQ(DragQueryFileW(static_cast<HDROP>(copy.hGlobal), 0xFFFFFFFF, nullptr, 0), 2u);
    ReleaseStgMedium(&copy);

    IEnumFORMATETC* e = nullptr;
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &e), S_OK);
    FORMATETC listed[3];
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(3, listed, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    e->Release();
    EXPECT_NE(data->EnumFormatEtc(DATADIR_SET, &e), S_OK);
    EXPECT_EQ(e, nullptr);

    FORMATETC canonical = {};
    EXPECT_EQ(data->GetCanonicalFormatEtc(&format, &canonical), DATA_S_SAMEFORMATETC);
    EXPECT_EQ(data->GetDataHere(&format, &medium), E_NOTIMPL);
    EXPECT_EQ(data->DAdvise(&format, 0, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(data->DUnadvise(0), E_NOTIMPL);
    EXPECT_EQ(data->EnumDAdvise(nullptr), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(data->Release(), 0u);
}

TEST(DragSource, ContinueDropCancelAndCursors) {
    CDragSource* source = new CDragSource();
    EXPECT_EQ(source->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
    EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
    EXPECT_EQ(source->Release(), 0u);
}

// A parent window with the browser's list (one folder item and one file item,
// the file selected) and a static child that takes no drops.
class DropFixture : public testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        AppState::Instance = GetModuleHandleW(nullptr);
        parent = CreateWindowExW(0, L"STATIC", L"drop", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr,
                                 AppState::Instance, nullptr);
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 300, 200, parent,
                               nullptr, AppState::Instance, nullptr);
        other = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 220, 300, 60, parent, nullptr,
                                AppState::Instance, nullptr);
        ASSERT_TRUE(parent && list && other);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 200;
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
        GetCurrentDirectoryW(MAX_PATH, saved);
        SetCurrentDirectoryW(folder.Path().c_str());
        CreateDirectoryW(folder.File(L"T").c_str(), nullptr);
        qrvtest::WriteAll(folder.File(L"selected.jpg"), "selected", 8);
        MediaFileEntry entry = {};
        wcscpy(entry.name, L"T");
        AppendMediaFileEntry(&FileList::Subfolders, entry, &FileList::SubfolderCount);
        wcscpy(entry.name, L"selected.jpg");
        AppendMediaFileEntry(&FileList::Entries, entry, &FileList::Count);
        for (int i = 0; i < 2; ++i) {
            LVITEMW item = {};
            item.mask = LVIF_TEXT | LVIF_STATE;
            item.iItem = i;
            item.pszText = const_cast<wchar_t*>(i == 0 ? L"T" : L"selected.jpg");
            item.stateMask = LVIS_SELECTED;
            item.state = i == 1 ? LVIS_SELECTED : 0;
            SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
        }
        Browser.open = true;
        Browser.hidden = false;
        Browser.fileListWindow = list;
        target = new CDropTarget(parent);
        qrvtest::Pump();
    }
    void TearDown() override {
        target->Release();
        Browser.open = false;
        Browser.fileListWindow = nullptr;
        DestroyWindow(parent);
        FreeFileLists();
        SetCurrentDirectoryW(saved);
        AppState::DragSourceWindow = nullptr;
        AppState::DragItem = -1;
        AppState::DragActive = 0;
        OleUninitialize();
    }
    POINTL ScreenPointOf(HWND window, POINT client) {
        ClientToScreen(window, &client);
        return {client.x, client.y};
    }
    POINTL FolderItemPoint() {
        RECT r = {};
        r.left = LVIR_LABEL;
        SendMessageW(list, LVM_GETITEMRECT, 0, (LPARAM)&r);
        return ScreenPointOf(list, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    DWORD DropOn(IDataObject* data, POINTL point) {
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->DragEnter(data, 0, point, &effect);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->DragOver(0, point, &effect);
        DWORD hovered = effect;
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->Drop(data, 0, point, &effect);
        return hovered;
    }
    TempDir folder, elsewhere;
    wchar_t saved[MAX_PATH] = {};
    HWND parent = nullptr, list = nullptr, other = nullptr;
    CDropTarget* target = nullptr;
};

TEST_F(DropFixture, DropMenuOffersCopyMoveCancel) {
    const POINT at = {300, 250};
    // Copy, Move, (the separator,) Cancel, and Escape.
    struct Row {
        int item, expected;
    } rows[] = {{0, 1}, {1, 2}, {3, 0}, {-1, 0}};
    for (const Row& r : rows) {
        EXPECT_EQ(qrvtest::ChoosePopupMenuItem(r.item, [&] { return ShowDropMenu(parent, at); }), r.expected) << r.item;
        EXPECT_TRUE(qrvtest::g_popupMenuAnswer.seen);
        EXPECT_EQ(qrvtest::g_popupMenuAnswer.where.left, at.x - 10);
        EXPECT_EQ(qrvtest::g_popupMenuAnswer.where.top, at.y - 10);
    }
}

TEST_F(DropFixture, ForeignDropOnAFolderCopiesTheDroppedFile) {
    ASSERT_TRUE(qrvtest::WriteAll(elsewhere.File(L"dropped.jpg"), "dropped", 7));
    std::wstring files = elsewhere.File(L"dropped.jpg");
    files.push_back(L'\0');
    files.push_back(L'\0');
    CDataObject* data = CreateFileDataObject(files.c_str(), POINT{0, 0});
    ASSERT_NE(data, nullptr);
    // A drag out of the list ran before and has ended.
    AppState::DragSourceWindow = list;
    AppState::DragItem = 1;
    EXPECT_EQ(DoDragFiles(list, L"\0", DROPEFFECT_COPY), (DWORD)DROPEFFECT_NONE);
    EXPECT_EQ(AppState::DragSourceWindow, nullptr);
    EXPECT_EQ(AppState::DragItem, -1);

    const DWORD hovered = qrvtest::ChoosePopupMenuItem(0, [&] { return (int)DropOn(data, FolderItemPoint()); });
    EXPECT_EQ(hovered, (DWORD)DROPEFFECT_COPY);
    EXPECT_TRUE(qrvtest::g_popupMenuAnswer.seen);
    EXPECT_EQ(qrvtest::ReadAll(folder.File(L"T\\dropped.jpg")).size(), 7u);
    EXPECT_FALSE(qrvtest::FileExists(folder.File(L"T\\selected.jpg")));
    EXPECT_TRUE(qrvtest::FileExists(elsewhere.File(L"dropped.jpg")));

    // While the list's own drag runs, the same drop takes the list's selection.
    AppState::DragSourceWindow = list;
    AppState::DragItem = 1;
    qrvtest::ChoosePopupMenuItem(0, [&] { return (int)DropOn(data, FolderItemPoint()); });
    EXPECT_TRUE(qrvtest::FileExists(folder.File(L"T\\selected.jpg")));
    EXPECT_FALSE(qrvtest::FileExists(folder.File(L"T\\dropped (1).jpg")));
    data->Release();
}

TEST_F(DropFixture, FilesDroppedOnAnythingElseAreListedInABox) {
    std::wstring files = L"C:\\x.jpg";
    files.push_back(L'\0');
    files += L"C:\\y.jpg";
    files.push_back(L'\0');
    files.push_back(L'\0');
    CDataObject* data = CreateFileDataObject(files.c_str(), POINT{0, 0});
    ASSERT_NE(data, nullptr);
    qrvtest::MessageCapture capture;
    const DWORD hovered = DropOn(data, ScreenPointOf(other, {10, 10}));
    EXPECT_EQ(hovered, (DWORD)DROPEFFECT_NONE);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"C:\\x.jpg\nC:\\y.jpg\n");
    EXPECT_EQ(AppState::DragActive, 0);
    data->Release();
}

// A whole drag through OLE: no mouse button is down, so the drag drops at
// once where the cursor stands, on the list's folder item; the list's own drag
// carries its selection, and the drag record is clear afterwards.
TEST_F(DropFixture, OwnDragFromTheListDropsItsSelection) {
    ASSERT_EQ(RegisterDragDrop(parent, target), S_OK);
    SetWindowPos(parent, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    qrvtest::Pump();
    const POINTL at = FolderItemPoint();
    ASSERT_TRUE(qrvtest::PlaceCursor(POINT{at.x, at.y}));
    std::wstring files = folder.File(L"selected.jpg");
    files.push_back(L'\0');
    files.push_back(L'\0');
    AppState::DragSourceWindow = list;
    AppState::DragItem = 1;
    const DWORD effect = (DWORD)qrvtest::ChoosePopupMenuItem(
        1, [&] { return (int)DoDragFiles(list, files.c_str(), DROPEFFECT_COPY | DROPEFFECT_MOVE); });
    RevokeDragDrop(parent);
    EXPECT_TRUE(qrvtest::g_popupMenuAnswer.seen);
    EXPECT_EQ(effect, (DWORD)DROPEFFECT_COPY);  // the effect of the hover; the menu chose the move
    EXPECT_TRUE(qrvtest::FileExists(folder.File(L"T\\selected.jpg")));
    EXPECT_FALSE(qrvtest::FileExists(folder.File(L"selected.jpg")));
    EXPECT_EQ(FileList::Count, 0);
    EXPECT_EQ(AppState::DragSourceWindow, nullptr);
    EXPECT_EQ(AppState::DragItem, -1);
    EXPECT_EQ(AppState::DragActive, 0);
}

// Without COM on the thread the shell's drag-image object cannot be made: the
// target still takes drops.
TEST_F(DropFixture, WorksWithoutTheDragImageObject) {
    std::wstring files = L"C:\\z.jpg";
    files.push_back(L'\0');
    files.push_back(L'\0');
    CDataObject* data = CreateFileDataObject(files.c_str(), POINT{0, 0});
    ASSERT_NE(data, nullptr);
    const POINTL point = ScreenPointOf(other, {10, 10});
    qrvtest::MessageCapture capture;
    bool hadImages = true;
    DWORD hovered = 99;
    HRESULT dropped = E_UNEXPECTED;
    std::thread plain([&] {
        CDropTarget* bare = new CDropTarget(parent);
        hadImages = bare->HasDragImages();
        DWORD effect = DROPEFFECT_COPY;
        bare->DragEnter(data, 0, point, &effect);
        effect = DROPEFFECT_COPY;
        bare->DragOver(0, point, &effect);
        hovered = effect;
        effect = DROPEFFECT_COPY;
        dropped = bare->Drop(data, 0, point, &effect);
        bare->Release();
    });
    plain.join();
    EXPECT_FALSE(hadImages);
    EXPECT_EQ(hovered, (DWORD)DROPEFFECT_NONE);
    EXPECT_EQ(dropped, S_OK);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"C:\\z.jpg\n");
    data->Release();
}
}  // namespace
