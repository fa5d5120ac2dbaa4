#include "app/FileAssociations.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cwchar>

#include "app/Language.h"
#include "image/Common.h"
#include "image/Registry.h"

namespace {

// clang-format off
const FormatAssocRow Rows[ASSOC_ROW_COUNT] = {
    {L"BMP", L"Windows or OS/2 Bitmap", L"BMP RLE DIB", L"bmp.ico", ASSOC_IMAGES, L"Paint.Picture"},
    {L"CAM", L"Casio Cam (JPG)", L"CAM", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"CLP", L"Windows Clipboard", L"CLP", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"CUR", L"Windows (Animated) Cursor", L"ANI CUR", L"Image.ico", ASSOC_IMAGES, L"anifile curfile"},
    {L"CUT", L"Dr. Halo", L"CUT", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"CRW", L"Canon RAW Image", L"CRW", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"DCX", L"Multipage PCX", L"DCX", L"pcx.ico", ASSOC_IMAGES, nullptr},
    {L"DDS", L"DirectDraw Surface", L"DDS", L"dds.ico", ASSOC_IMAGES, nullptr},
    {L"EMF", L"Enhanced & Windows Metafile", L"EMF WMF", L"emf.ico", ASSOC_IMAGES, nullptr},
    {L"EPS", L"Encapsulated Postscript (Preview)", L"EPS", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"EXR", L"ILM's HDR File Format", L"EXR", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"FLT", L"BIAS Fringe Processor", L"FLT IMG RAW LNG MSK", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"FPX", L"Kodak FlashPix Image [AddOn]", L"FPX", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"GEM", L"GEM Raster", L"GEM IMG", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"GIF", L"Compuserve GIF", L"GIF", L"gif.ico", ASSOC_IMAGES, L"giffile"},
    {L"HRZ", L"SlowScan Television", L"HRZ", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"ICO", L"Windows Icon", L"ICO", L"Image.ico", ASSOC_IMAGES, L"iconfile"},
    {L"IFF", L"Amiga IFF / Maya IFF", L"IFF LBM", L"iff.ico", ASSOC_IMAGES, nullptr},
    {L"JBG", L"JBIG BiLevel Image [AddOn]", L"JBG", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"JB2", L"JBIG2 BiLevel Image [AddOn]", L"JB2", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"JPG", L"JPEG Image", L"JPG JPEG JPE JIF JFIF", L"jpg.ico", ASSOC_IMAGES, L"jpegfile"},
    {L"JP2", L"JPEG 2000 Image", L"JP2 J2C", L"jpg.ico", ASSOC_IMAGES, nullptr},
    {L"JPP", L"Kelbrin JPG Format", L"JPP", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"JNG", L"JPEG Network Graphics", L"JNG", L"jng.ico", ASSOC_IMAGES, nullptr},
    {L"LVP", L"LView Pro Image", L"LVP", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"MAC", L"MAC Paint", L"MAC PNTG", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"MNG", L"Multiple-Image Network Graphics", L"MNG", L"mng.ico", ASSOC_IMAGES, nullptr},
    {L"MSP", L"MS Paint", L"MSP", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"PCD", L"Kodak Photo CD", L"PCD", L"pcd.ico", ASSOC_IMAGES, nullptr},
    {L"PCT", L"Apple Macintosh Picture", L"PCT QTIF", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"PCX", L"ZSoft PC-Paintbrush", L"PCX", L"pcx.ico", ASSOC_IMAGES, nullptr},
    {L"PIC", L"Softimage PIC/Pictor PC Paint/AniVGA Image", L"PIC", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"PIX", L"Alias|WaveFront Image", L"PIX", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"PNG", L"Portable Network Graphics", L"PNG", L"png.ico", ASSOC_IMAGES, L"pngfile"},
    {L"PNM", L"Portable Map", L"PNM PPM PGM PBM", L"pnm.ico", ASSOC_IMAGES, nullptr},
    {L"PPP", L"Velmora Picture", L"PPP", L"ppp.ico", ASSOC_IMAGES, nullptr},
    {L"PSD", L"Photoshop Document", L"PSD PDD", L"psd.ico", ASSOC_IMAGES, nullptr},
    {L"PSP", L"Paint Shop Pro Image (Preview)", L"PSP PSPIMAGE PSPFRAME PSPTUBE PSPSHAPE PSPMASK", L"psp.ico", ASSOC_IMAGES, nullptr},
    {L"RAS", L"Sun Raster Image", L"SUN RAS", L"ras.ico", ASSOC_IMAGES, nullptr},
    {L"SGI", L"Silicon Graphics Image", L"SGI BW RGB RGBA", L"sgi.ico", ASSOC_IMAGES, nullptr},
    {L"TGA", L"Truevision Graphics Adapter", L"TGA", L"tga.ico", ASSOC_IMAGES, nullptr},
    {L"TIF", L"Tagged Image File Format", L"TIF TIFF", L"tif.ico", ASSOC_IMAGES, nullptr},
    {L"WBMP", L"Wireless Bitmap", L"WBMP", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"XBM", L"X Bitmap", L"XBM", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"ZBR", L"Zoner Metafile (Preview)", L"ZBR", L"Image.ico", ASSOC_IMAGES, nullptr},
    {L"AVI", L"Audio Video Interleaved", L"AVI", L"Video.ico", ASSOC_VIDEOS, nullptr},
    {L"ASF", L"Advanced Streaming Format", L"ASF", L"Video.ico", ASSOC_VIDEOS, nullptr},
    {L"DIVX", L"DivX MPG4 Video", L"DIVX DIV", L"Video.ico", ASSOC_VIDEOS, nullptr},
    {L"IVF", L"Intel Video Format", L"IVF", L"Video.ico", ASSOC_VIDEOS, nullptr},
    {L"MOV", L"Apple Quicktime Video", L"MOV QT", L"Video.ico", ASSOC_VIDEOS, nullptr},
    {L"MPG1", L"MPEG 1 Video", L"MPG MPEG MPE M1V", L"Video.ico", ASSOC_VIDEOS, nullptr},
    {L"MPG2", L"MPEG 2 Video", L"MPV MP2V MPV2 M2V", L"Video.ico", ASSOC_VIDEOS, nullptr},
    {L"WMV", L"Windows Media Video", L"WMV WVX", L"Video.ico", ASSOC_VIDEOS, nullptr},
    {L"AIF", L"Audio Interchange File Format", L"AIF AIFC AIFF", L"Sound.ico", ASSOC_SOUNDS, nullptr},
    {L"AU", L"Sun Audio Format", L"AU SND", L"Sound.ico", ASSOC_SOUNDS, nullptr},
    {L"MID", L"Standard MIDI File Format", L"MID RMI MIDI", L"Sound.ico", ASSOC_SOUNDS, nullptr},
    {L"MP3", L"MPEG Audio", L"MP1 MP2 MP3 MPA", L"mp3.ico", ASSOC_SOUNDS, nullptr},
    {L"OGG", L"Ogg Vorbis Audio [AddOn]", L"OGG", L"Sound.ico", ASSOC_SOUNDS, nullptr},
    {L"WAV", L"Windows (Wave) Audio", L"WAV", L"Sound.ico", ASSOC_SOUNDS, nullptr},
    {L"WMA", L"Windows Media Audio", L"WMA WAX", L"Sound.ico", ASSOC_SOUNDS, nullptr},
};

const wchar_t* const ApplyOrder[ASSOC_ROW_COUNT] = {
    L"AIF", L"AU", L"AVI", L"ASF", L"BMP", L"CAM", L"CLP", L"CUR", L"CUT", L"CRW", L"DCX", L"DDS", L"DIVX",
    L"EMF", L"EPS", L"EXR", L"FLT", L"FPX", L"GEM", L"GIF", L"HRZ", L"ICO", L"IFF", L"IVF", L"JBG", L"JB2",
    L"JPG", L"JP2", L"JPP", L"JNG", L"LVP", L"MAC", L"MID", L"MNG", L"MOV", L"MPG1", L"MPG2", L"MP3", L"MSP",
    L"OGG", L"PCD", L"PCT", L"PCX", L"PIC", L"PIX", L"PPP", L"PSD", L"PSP", L"PNG", L"PNM", L"RAS", L"SGI",
    L"TIF", L"TGA", L"WAV", L"WBMP", L"WMA", L"WMV", L"XBM", L"ZBR",
};
// clang-format on

// ProgIDs that get no print verb.
const wchar_t* const NoPrintNames[] = {L"AVI", L"MOV", L"MP3", L"WAV", L"WMA", L"OGG", L"LIST"};

const wchar_t* const PlaylistExtensions[] = {L".qrvlist", L".m3u"};

AssociationStore RegistryStore;
AssociationStore* CurrentStore = &RegistryStore;

// The n-th blank-separated word of text, or false.
bool NthWord(const wchar_t* text, int n, std::wstring* word) {
    int index = 0;
    const wchar_t* p = text;
    while (*p) {
        while (*p == L' ') ++p;
        if (!*p) break;
        const wchar_t* start = p;
        while (*p && *p != L' ') ++p;
        if (index++ == n) {
            word->assign(start, p - start);
            return true;
        }
    }
    return false;
}

void BuildTable(AssocTable table, FormatAssocEntry* entries, int* count) {
    const int start = FormatTableStart(table), n = FormatTableCount(table);
    for (int i = 0; i < n; ++i) {
        const FormatAssocRow& row = Rows[start + i];
        lstrcpynW(entries[i].name, row.name, 16);
        lstrcpynW(entries[i].description, row.description, 128);
        lstrcpynW(entries[i].extensions, row.extensions, 64);
    }
    if (count) *count = n;
}

bool HasPrintVerb(const wchar_t* name) {
    for (const wchar_t* other : NoPrintNames)
        if (lstrcmpiW(name, other) == 0) return false;
    return true;
}

// Collects the result of each write: the first failure is the one named.
class Recorder {
public:
    Recorder(AssociationStore& store, AssociationOutcome& outcome) : store_(store), outcome_(outcome) {}
    void Write(HKEY root, const std::wstring& key, const wchar_t* value, const std::wstring& text) {
        Note(store_.WriteString(root, key.c_str(), value, text.c_str()), key);
    }
    void DeleteKey(HKEY root, const std::wstring& key) { Note(store_.DeleteKey(root, key.c_str()), key); }
    void DeleteValue(HKEY root, const std::wstring& key, const wchar_t* value) {
        Note(store_.DeleteValue(root, key.c_str(), value), key);
    }

private:
    void Note(bool ok, const std::wstring& key) {
        if (ok || !outcome_.ok) return;
        outcome_.ok = false;
        outcome_.failedKey = key;
    }
    AssociationStore& store_;
    AssociationOutcome& outcome_;
};

void RegisterProgId(Recorder& rec, const AssociationTarget& target, const std::wstring& progId, const wchar_t* name,
                    const wchar_t* icon) {
    const HKEY root = target.classesRoot;
    const std::wstring quoted = L"\"" + target.programPath + L"\"";
    rec.Write(root, progId, nullptr, progId);
    rec.Write(root, progId + L"\\shell", nullptr, L"open");
    rec.Write(root, progId + L"\\shell\\open\\command", nullptr, quoted + L" \"%1\"");
    rec.Write(root, progId + L"\\shell\\explore\\command", nullptr, quoted + L" -t");
    if (HasPrintVerb(name)) rec.Write(root, progId + L"\\shell\\print\\command", nullptr, quoted + L" -p \"%1\"");
    // Cursors and icons show themselves.
    const bool ownIcon = lstrcmpW(name, L"CUR") == 0 || lstrcmpW(name, L"ICO") == 0;
    // One "Image.ico" serves every spelling of it.
    std::wstring file = lstrcmpiW(icon, L"Image.ico") == 0 ? L"Image.ico" : icon;
    rec.Write(root, progId + L"\\DefaultIcon", nullptr, ownIcon ? L"%1" : target.programFolder + L"\\Icons\\" + file);
}

void RegisterExtension(Recorder& rec, const AssociationTarget& target, const std::wstring& extension,
                       const std::wstring& progId, const wchar_t* perceivedType) {
    rec.Write(target.userRoot, QRV_FILE_EXTS_KEY + extension, L"ProgID", progId);
    rec.Write(target.classesRoot, extension, nullptr, progId);
    if (perceivedType) rec.Write(target.classesRoot, extension, L"PerceivedType", perceivedType);
}

// True when the key holds nothing but a default value and "PerceivedType".
bool HoldsOnlyOurValues(HKEY root, const std::wstring& subKey) {
    HKEY key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD subKeys = 0, values = 0;
    bool only = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                                 nullptr, nullptr) == ERROR_SUCCESS &&
                subKeys == 0;
    for (DWORD i = 0; only && i < values; ++i) {
        wchar_t name[32];
        DWORD length = 32;
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            only = false;
            break;
        }
        only = name[0] == L'\0' || lstrcmpiW(name, L"PerceivedType") == 0;
    }
    RegCloseKey(key);
    return only;
}

bool UserChoiceNames(HKEY userRoot, const std::wstring& extension, const std::wstring& progId) {
    HKEY key;
    const std::wstring subKey = QRV_FILE_EXTS_KEY + extension;
    if (RegOpenKeyExW(userRoot, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    wchar_t text[MAX_PATH] = {};
    DWORD type = 0, bytes = sizeof(text) - sizeof(wchar_t);
    bool names =
        RegQueryValueExW(key, L"ProgID", nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) == ERROR_SUCCESS &&
        type == REG_SZ && lstrcmpiW(text, progId.c_str()) == 0;
    RegCloseKey(key);
    return names;
}

// Gives up one extension the ProgID holds: back to the system's ProgID, else
// the key goes (or, with values or sub keys of others, only our two values).
// An extension another program holds is left as it is. The per-user choice
// goes when it names the ProgID being removed.
void ReleaseExtension(Recorder& rec, const AssociationTarget& target, const std::wstring& extension,
                      const std::wstring& progId, const std::wstring& restore) {
    if (UserChoiceNames(target.userRoot, extension, progId))
        rec.DeleteValue(target.userRoot, QRV_FILE_EXTS_KEY + extension, L"ProgID");
    if (!IsExtensionAssociated(target.classesRoot, progId.c_str(), extension.c_str())) return;
    if (!restore.empty()) {
        rec.Write(target.classesRoot, extension, nullptr, restore);
    } else if (HoldsOnlyOurValues(target.classesRoot, extension)) {
        rec.DeleteKey(target.classesRoot, extension);
    } else {
        rec.DeleteValue(target.classesRoot, extension, nullptr);
        rec.DeleteValue(target.classesRoot, extension, L"PerceivedType");
    }
}

void ApplyVerb(Recorder& rec, const AssociationTarget& target, bool marked, const wchar_t* key) {
    if (marked)
        rec.Write(target.classesRoot, std::wstring(key) + L"\\command", nullptr,
                  L"\"" + target.programPath + L"\" -t=\"%1\"");
    else rec.DeleteKey(target.classesRoot, key);
}

void ApplyRow(Recorder& rec, const AssociationTarget& target, int row, bool marked) {
    const std::wstring progId = FormatProgId(row);
    std::wstring extensions[8];
    const int count = FormatExtensions(row, extensions, 8);
    if (marked) {
        for (int i = 0; i < count; ++i) RegisterExtension(rec, target, extensions[i], progId, PerceivedTypeOf(row));
        RegisterProgId(rec, target, progId, Rows[row].name, Rows[row].icon);
        return;
    }
    for (int i = 0; i < count; ++i) ReleaseExtension(rec, target, extensions[i], progId, RestoredProgId(row, i));
    if (KeyExists(target.classesRoot, progId.c_str())) rec.DeleteKey(target.classesRoot, progId);
}

void ApplyPlaylists(Recorder& rec, const AssociationTarget& target, bool marked) {
    const std::wstring progId = QRV_PLAYLIST_PROGID;
    if (marked) {
        for (const wchar_t* extension : PlaylistExtensions) RegisterExtension(rec, target, extension, progId, nullptr);
        RegisterProgId(rec, target, progId, L"LIST", L"QrvList.ico");
        return;
    }
    for (const wchar_t* extension : PlaylistExtensions) ReleaseExtension(rec, target, extension, progId, L"");
    if (KeyExists(target.classesRoot, progId.c_str())) rec.DeleteKey(target.classesRoot, progId);
}

bool CheckState(HWND list, int item) { return (ListView_GetItemState(list, item, LVIS_STATEIMAGEMASK) >> 12) == 2; }

}  // namespace

const FormatAssocRow& FormatAssocRowAt(int index) { return Rows[index]; }

int FindFormatAssocRow(const wchar_t* name) {
    for (int i = 0; i < ASSOC_ROW_COUNT; ++i)
        if (lstrcmpiW(Rows[i].name, name) == 0) return i;
    return -1;
}

int FormatTableStart(AssocTable table) {
    switch (table) {
    case ASSOC_VIDEOS: return ASSOC_IMAGE_COUNT;
    case ASSOC_SOUNDS: return ASSOC_IMAGE_COUNT + ASSOC_VIDEO_COUNT;
    default: return 0;
    }
}

int FormatTableCount(AssocTable table) {
    switch (table) {
    case ASSOC_IMAGES: return ASSOC_IMAGE_COUNT;
    case ASSOC_VIDEOS: return ASSOC_VIDEO_COUNT;
    case ASSOC_SOUNDS: return ASSOC_SOUND_COUNT;
    default: return 0;
    }
}

void BuildImageFormatTable(FormatAssocEntry* entries, int* count) { BuildTable(ASSOC_IMAGES, entries, count); }
void BuildVideoFormatTable(FormatAssocEntry* entries, int* count) { BuildTable(ASSOC_VIDEOS, entries, count); }
void BuildSoundFormatTable(FormatAssocEntry* entries, int* count) { BuildTable(ASSOC_SOUNDS, entries, count); }

std::wstring FormatProgId(int row) { return std::wstring(QRV_PROGID_PREFIX) + Rows[row].name; }

int FormatExtensions(int row, std::wstring* out, int capacity) {
    int count = 0;
    std::wstring word;
    while (count < capacity && NthWord(Rows[row].extensions, count, &word)) {
        for (wchar_t& c : word) c = towlower(c);
        out[count++] = L"." + word;
    }
    return count;
}

const wchar_t* PerceivedTypeOf(int row) {
    switch (Rows[row].table) {
    case ASSOC_VIDEOS: return L"video";
    case ASSOC_SOUNDS: return L"audio";
    default: return L"image";
    }
}

std::wstring RestoredProgId(int row, int extensionIndex) {
    std::wstring name;
    const wchar_t* restore = Rows[row].restore;
    if (restore && !NthWord(restore, extensionIndex, &name)) NthWord(restore, 0, &name);
    return name;
}

int FormatApplyOrder(int position) { return FindFormatAssocRow(ApplyOrder[position]); }

bool AssociationStore::WriteString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) {
    HKEY key;
    if (RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const DWORD bytes = (DWORD)((wcslen(text) + 1) * sizeof(wchar_t));
    const bool ok =
        RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool AssociationStore::DeleteKey(HKEY root, const wchar_t* subKey) {
    if (!KeyExists(root, subKey)) return true;
    return RegistryDeleteTree(subKey, nullptr, root);
}

bool AssociationStore::DeleteValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName) {
    HKEY key;
    const LONG opened = RegOpenKeyExW(root, subKey, 0, KEY_SET_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG result = RegDeleteValueW(key, valueName);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

AssociationStore* SetAssociationStore(AssociationStore* store) {
    AssociationStore* previous = CurrentStore == &RegistryStore ? nullptr : CurrentStore;
    CurrentStore = store ? store : &RegistryStore;
    return previous;
}

bool KeyExists(HKEY root, const wchar_t* subKey) {
    HKEY key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool IsExtensionAssociated(HKEY classesRoot, const wchar_t* progId, const wchar_t* extension) {
    HKEY key;
    if (RegOpenKeyExW(classesRoot, extension, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    wchar_t text[66] = {};
    DWORD type = 0, bytes = 130;
    const bool read =
        RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    return read && (type == REG_SZ || type == REG_EXPAND_SZ) && lstrcmpiW(text, progId) == 0;
}

AssociationOutcome ApplyAssociationPlan(const AssociationPlan& plan, const AssociationTarget& target,
                                        AssociationStore& store) {
    AssociationOutcome outcome;
    Recorder rec(store, outcome);
    ApplyVerb(rec, target, plan.folderVerb, QRV_BROWSE_FOLDER_KEY);
    ApplyVerb(rec, target, plan.driveVerb, QRV_BROWSE_DRIVE_KEY);
    ApplyPlaylists(rec, target, plan.playlists);
    for (int position = 0; position < ASSOC_ROW_COUNT; ++position) {
        const int row = FormatApplyOrder(position);
        ApplyRow(rec, target, row, plan.marked[row]);
    }
    return outcome;
}

AssociationPlan ReadAssociationPlan(HWND page, const HWND* lists) {
    AssociationPlan plan;
    if (!page) return plan;
    plan.folderVerb = IsDlgButtonChecked(page, IDC_ASSOC_FOLDERS) == BST_CHECKED;
    plan.driveVerb = IsDlgButtonChecked(page, IDC_ASSOC_DRIVES) == BST_CHECKED;
    plan.playlists = IsDlgButtonChecked(page, IDC_ASSOC_PLAYLISTS) == BST_CHECKED;
    if (!lists) return plan;
    for (int t = 0; t < ASSOC_TABLE_COUNT; ++t) {
        const AssocTable table = static_cast<AssocTable>(t);
        if (!lists[t]) continue;
        for (int i = 0; i < FormatTableCount(table); ++i)
            plan.marked[FormatTableStart(table) + i] = CheckState(lists[t], i);
    }
    return plan;
}

AssociationPlan ReadHeldAssociations(HKEY classesRoot) {
    AssociationPlan plan;
    plan.folderVerb = KeyExists(classesRoot, QRV_BROWSE_FOLDER_KEY);
    plan.driveVerb = KeyExists(classesRoot, QRV_BROWSE_DRIVE_KEY);
    plan.playlists = IsExtensionAssociated(classesRoot, QRV_PLAYLIST_PROGID, L".qrvlist");
    for (int row = 0; row < ASSOC_ROW_COUNT; ++row) {
        std::wstring extension;
        FormatExtensions(row, &extension, 1);
        plan.marked[row] = IsExtensionAssociated(classesRoot, FormatProgId(row).c_str(), extension.c_str());
    }
    return plan;
}

AssociationOutcome ApplyFileAssociations(HWND page, const HWND* lists, HKEY classesRoot, HKEY userRoot) {
    AssociationTarget target{classesRoot, userRoot, L"", L""};
    wchar_t path[MAX_PATH] = {}, folder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    GetProgramFolder(folder);
    target.programPath = path;
    target.programFolder = folder;
    if (!target.programFolder.empty() && target.programFolder.back() == L'\\') target.programFolder.pop_back();
    const AssociationOutcome outcome = ApplyAssociationPlan(ReadAssociationPlan(page, lists), target, *CurrentStore);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return outcome;
}

std::wstring FileAssociationsMessage(const AssociationOutcome& outcome) {
    wchar_t text[LANG_STRING_CHARS];
    if (outcome.ok) {
        LangGetMessage(text, L"RegistryFileTypesSuccess", L"Successfully updated the file associations.");
        return text;
    }
    LangGetMessage(text, L"RegistryFileTypesFailure", L"The file associations could not be updated: the key");
    return std::wstring(text) + L" \"" + outcome.failedKey + L"\" could not be written.";
}
