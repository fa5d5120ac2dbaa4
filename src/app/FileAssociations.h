// File associations: the formats the program registers with the shell (one
// ProgID "Quorvane.<name>" per row, its extension keys, the per-user choice of
// each extension), the playlist association and the "Browse with Quorvane"
// verbs of folders and drives. The plan is plain data; applying it goes
// through a store seam so every write's result is collected.
#pragma once
#include <windows.h>

#include <string>

#include "app_settings_ids.h"

#define QRV_PROGID_PREFIX L"Quorvane."
#define QRV_PLAYLIST_PROGID L"Quorvane.LIST"
#define QRV_BROWSE_FOLDER_KEY L"Directory\\shell\\Browse with Quorvane"
#define QRV_BROWSE_DRIVE_KEY L"Drive\\shell\\Browse with Quorvane"
#define QRV_FILE_EXTS_KEY L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\"

// One row of a format table as the page shows it.
struct FormatAssocEntry {
    wchar_t name[16];  // the ProgID suffix
    wchar_t description[128];
    wchar_t extensions[64];  // upper case, separated by blanks
};

enum AssocTable { ASSOC_IMAGES, ASSOC_VIDEOS, ASSOC_SOUNDS, ASSOC_TABLE_COUNT };

#define ASSOC_IMAGE_COUNT 45
#define ASSOC_VIDEO_COUNT 8
#define ASSOC_SOUND_COUNT 7
#define ASSOC_ROW_COUNT (ASSOC_IMAGE_COUNT + ASSOC_VIDEO_COUNT + ASSOC_SOUND_COUNT)

// A row of the combined table: images, then videos, then sounds, each in list
// order. restore: for the rows that hand their extensions back to the system,
// one system ProgID per extension (blank separated; one name serves them all).
struct FormatAssocRow {
    const wchar_t* name;
    const wchar_t* description;
    const wchar_t* extensions;
    const wchar_t* icon;
    AssocTable table;
    const wchar_t* restore;
};

const FormatAssocRow& FormatAssocRowAt(int index);
// The row index of a name ("JPG"), or -1.
int FindFormatAssocRow(const wchar_t* name);
// The first row of a table in the combined table and its number of rows.
int FormatTableStart(AssocTable table);
int FormatTableCount(AssocTable table);

void BuildImageFormatTable(FormatAssocEntry* entries, int* count);  // 45 entries
void BuildVideoFormatTable(FormatAssocEntry* entries, int* count);  // 8 entries
void BuildSoundFormatTable(FormatAssocEntry* entries, int* count);  // 7 entries

// "Quorvane." + the row's name.
std::wstring FormatProgId(int row);
// The row's extensions lower case with a leading dot (".jpg", ".jpeg" ...).
int FormatExtensions(int row, std::wstring* out, int capacity);
// "image", "video" or "audio" by the row's table.
const wchar_t* PerceivedTypeOf(int row);
// The system ProgID the extension goes back to when the row gives it up, or
// empty when the row's extensions are deleted instead.
std::wstring RestoredProgId(int row, int extensionIndex);
// The rows in the order the apply visits them.
int FormatApplyOrder(int position);

// What the program is to hold; everything false removes every association.
struct AssociationPlan {
    bool folderVerb = false;
    bool driveVerb = false;
    bool playlists = false;
    bool marked[ASSOC_ROW_COUNT] = {};
};

// Where the apply writes: the classes root (ProgIDs, extensions, verbs), the
// per-user root (the shell's "FileExts" choices), and the program's path and
// folder for the commands and icons.
struct AssociationTarget {
    HKEY classesRoot;
    HKEY userRoot;
    std::wstring programPath;
    std::wstring programFolder;
};

// The writes of the apply. A missing key or value counts as deleted.
class AssociationStore {
public:
    virtual ~AssociationStore() = default;
    virtual bool WriteString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text);
    virtual bool DeleteKey(HKEY root, const wchar_t* subKey);
    virtual bool DeleteValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName);
};
// Replaces the store ApplyFileAssociations writes through (null: the
// registry itself); returns the previous one.
AssociationStore* SetAssociationStore(AssociationStore* store);

// The result of an apply: ok only when every write succeeded; failedKey names
// the first key whose write or delete failed.
struct AssociationOutcome {
    bool ok = true;
    std::wstring failedKey;
};

// True when the extension's key under root opens for full access and its
// default value equals progId, compared without regard to case.
bool IsExtensionAssociated(HKEY classesRoot, const wchar_t* progId, const wchar_t* extension);
bool KeyExists(HKEY root, const wchar_t* subKey);

// Writes or removes everything the plan says, in the apply order, through the
// store. Every step runs even after a failure.
AssociationOutcome ApplyAssociationPlan(const AssociationPlan& plan, const AssociationTarget& target,
                                        AssociationStore& store);

// The plan of the Associations page: its three check boxes and the check marks
// of its three lists (images, videos, sounds). A null page means nothing is
// marked.
AssociationPlan ReadAssociationPlan(HWND page, const HWND* lists);
// The plan the registry holds now: what the page shows when it opens.
AssociationPlan ReadHeldAssociations(HKEY classesRoot);

// Applies the page's plan (null page and lists: removes every association the
// program holds) on the two roots with the program's own path, then tells the
// shell.
AssociationOutcome ApplyFileAssociations(HWND page, const HWND* lists, HKEY classesRoot, HKEY userRoot);
// The message of an outcome: "Successfully updated the file associations."
// when every write succeeded, else a text naming the failed key.
std::wstring FileAssociationsMessage(const AssociationOutcome& outcome);

// The roots the Associations page reads and writes: the classes root and the
// per-user root (null for both: HKEY_CLASSES_ROOT and HKEY_CURRENT_USER).
void SetAssociationPageRoots(HKEY classesRoot, HKEY userRoot);
