// The system's master volume: the volume control of the speakers line of the
// first mixer device. The players' volume trackbars and volume commands move
// it; muting is done on the players' graphs and never touches it.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <cstdint>

class CMixerVolume {
public:
    // Opens mixer device 0 with window notification (MM_MIXM_CONTROL_CHANGE).
    // True with no handle when there is no mixer device at all.
    bool Open(HWND window);
    bool Close();
    // Finds the speakers line's volume control: its id, minimum and maximum.
    bool FindVolumeControl();
    bool GetVolume(DWORD* value);
    bool SetVolume(DWORD value);
    // Reads the level, adds step, clamps to Minimum..Maximum and writes it.
    bool StepVolume(int step);
    bool IsOpen() const { return mixer != nullptr; }

    // The number of mixer devices Open sees; tests put in a function of
    // their own. Null restores mixerGetNumDevs.
    using DeviceCounter = UINT (*)();
    static void SetDeviceCounter(DeviceCounter counter);

    UINT DeviceCount = 0;
    HMIXER mixer = nullptr;
    MIXERCAPSW Caps = {};
    DWORD ControlId = 0;
    DWORD Minimum = 0;
    DWORD Maximum = 0;
};

extern CMixerVolume MixerVolume;

// The volume step: value + step computed signed, clamped to minimum..maximum.
DWORD SteppedVolume(DWORD value, int step, DWORD minimum, DWORD maximum);

// The volume trackbars cover half the control's range: position p stands for
// the value 2p. The sound player's bar is vertical with the loudest at the
// top (inverted); the video player's is horizontal.
int HorizontalVolumePosition(DWORD value);
int InvertedVolumePosition(DWORD value, DWORD maximum);
DWORD VolumeFromInvertedPosition(int position, DWORD maximum);

// The trackbar position under the mouse: the thousandths of the client extent
// between 5-pixel borders, scaled to `range` and clamped to 0..range; 0 for a
// trackbar 10 pixels or narrower.
int TrackbarPositionFromMouse(int coordinate, int clientExtent, int range);
