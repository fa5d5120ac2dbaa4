// Whether a main-window command may run now. Every command has one row in the
// command table (CommandTable.h): the row's predicate grays its menu items and
// tool-bar buttons and is the same check the dispatch makes, so a shortcut can
// never run a command whose menu item is gray (the menu is gone in presentation
// mode, the accelerators are not).
#pragma once
#include <windows.h>

#include "command_ids.h"

struct MediaFileEntry;

// A command without a handler (HasCommandHandler) is never enabled, so its
// menu items stay gray and its shortcut does nothing until the handler exists.
bool IsCommandEnabled(UINT id);
// Whether the main window's command dispatch has a handler for the id (the
// "Open with" list's programs count as handled).
bool HasCommandHandler(UINT id);

// The predicates of the command table's rows.
// An image in the viewer that the edit commands may change.
bool HasEditableImage();
// Quick save writes over the folder's current file: only for a picture that was
// read from that file, never for a pasted or new image, and not from the browser.
bool CanQuickSave();
bool ClipboardHasBitmap();
bool CanUndo();
bool CanRedo();
// A document is open: a valid image, or a format (a player's file) without one.
bool HasOpenDocument();
bool HasCurrentListEntry();
// A folder file list that is not being filled and holds at least one entry.
bool HasFileList();
// A running show can always be stopped; a new one starts only when it can advance.
bool CanStartOrStopSlideShow();
bool IsFolderScanIdle();

// The item states of the picture, media and show commands.
// A picture the image commands may work on: valid, not the error picture, no
// animation playing, not a player's document (Print, Copy, wallpaper, the
// select and marker tools, Invert, Resize, Canvas size, Adjust).
bool CanUseImageTools();
// ... with a selection on it (Cut, Crop, Zoom to selection).
bool HasImageSelection();
// ... of more than 1 bit (channel views, Grayscale, channel swaps).
bool HasColourChannels();
// ... of 32 bits (the alpha views).
bool HasAlphaChannel();
// ... of more than 15 bits (the effects).
bool CanApplyEffects();
// ... whose depth is not bpp already (the depth conversions).
bool CanConvertToDepth(int bpp);
template <int Bpp>
bool CanConvertTo() {
    return CanConvertToDepth(Bpp);
}
// A picture that is shown, not the error picture and not a sound (the fit commands).
bool CanFitImage();
// A file or the error picture of one (Close, File information).
bool HasOpenOrFailedDocument();
// ... that is the folder's current entry (Reload).
bool CanReload();
// Copy to, Move to, Delete and Rename: an open or failed file, or the shown
// browser's items; never while the thumbnail loader runs or on the playlist tab.
bool CanOperateOnFiles();
// Quick save: also only for the formats it writes back (BMP, JPEG, PCX, PIX,
// PNG, PNM, PPP, RAS, SGI, TGA) and a GIF only when it is not an animation.
bool CanQuickSaveFormat(int formatId, bool animationBar);
// A shown picture that is not a player's document (Tilemap).
bool ShowsImageDocument();
// A picture the edits may change and no animation playing (flip, mirror, rotations).
bool CanTransformImage();
// Window position items: only while the browser is not shown.
bool IsBrowserHidden();
// The animation bar serves the opened file: an animation, pages or a player (Play, Stop).
bool IsAnimationBarActive();
bool CanStepFrameForward();  // not for sound
bool CanStepFrameBack();     // not for MNG, video or sound
bool CanExtractFrames();     // not for sound, nor while the thumbnail loader runs
bool IsVideoShown();         // video or movie (video size and aspect)
bool IsPlayerShown();        // video, sound or movie (volume and rate)
// More than one file in an idle folder list (the shows in presentation mode).
bool HasSeveralFiles();
// The browser is shown with files selected in its list (Add to playlist).
bool HasBrowserSelection();
// The open document is a JPEG file (lossless transformation).
bool IsJpegDocument();

// The video picture's size for 4:3 (across 4, down 3) or 16:9 at a width:
// the height is width / across * down, the division first (642 wide gives
// 642 x 480 at 4:3, 642 x 360 at 16:9). 0 x 0 for a width of 0 or less.
SIZE AspectSize(int width, int across, int down);

// The current entry of the folder's file list, or null when there is none: no
// list, an empty one (a count of 0 is no list), an index outside it, or a scan
// still filling it. Every command that acts on "the current file" goes through this.
const MediaFileEntry* CurrentFileListEntry();
// The current directory joined with the current entry's name; false (and an
// empty path) without a current entry.
bool CurrentFileListEntryPath(wchar_t path[MAX_PATH]);
// The index a step command moves to (IDM_NEXT_MEDIA, IDM_PREVIOUS_MEDIA,
// IDM_FIRST_MEDIA, IDM_LAST_MEDIA) in a list of count entries, wrapping at the
// ends when wrap is set; -1 for an empty list. From an index outside the list,
// next goes to the first entry and previous to the last.
int StepTargetIndex(UINT id, int current, int count, bool wrap);

// Where the cursor goes so that it stays on the tool-bar button whose command
// moved or resized the window: (left + offset + 10, top + caption + menu + 15)
// of the window rectangle. False when the button is unknown (offset < 0) or
// that point does not lie left of right - 24.
bool CursorSnapPoint(const RECT& window, int buttonOffset, int captionHeight, int menuHeight, POINT* point);

// The channel-view commands, and the one that shows a view (0 all channels ...
// 6 alpha blended; 0 for any other value).
inline constexpr UINT kChannelViewCommands[] = {IDM_CHANNEL_ALL,  IDM_CHANNEL_RED,    IDM_CHANNEL_GREEN,
                                                IDM_CHANNEL_BLUE, IDM_ALPHA_AS_IMAGE, IDM_ALPHA_AS_LAYER,
                                                IDM_ALPHA_BLENDED};
UINT ChannelViewCommand(int view);
// The view a channel-view command shows; -1 for any other command.
int ChannelViewOfCommand(UINT id);
// The sort commands, and the one of a sort order (0 name, 1 size, 2 date, 3
// none) and direction; 0 for an order outside these.
inline constexpr UINT kSortOrderCommands[] = {IDM_SORT_NAME_ASCENDING,
                                              IDM_SORT_NAME_DESCENDING,
                                              IDM_SORT_SIZE_ASCENDING,
                                              IDM_SORT_SIZE_DESCENDING,
                                              IDM_SORT_DATE_ASCENDING,
                                              IDM_SORT_DATE_DESCENDING,
                                              IDM_SORT_NONE};
UINT SortOrderCommand(int order, bool ascending);
