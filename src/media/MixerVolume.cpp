#include "media/MixerVolume.h"

CMixerVolume MixerVolume;

namespace {

UINT CountMixerDevices() { return mixerGetNumDevs(); }

CMixerVolume::DeviceCounter deviceCounter = CountMixerDevices;

// One unsigned value for all channels of the kept control.
MIXERCONTROLDETAILS OneValueDetails(DWORD controlId, MIXERCONTROLDETAILS_UNSIGNED* value) {
    MIXERCONTROLDETAILS details = {};
    details.cbStruct = sizeof details;
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.cMultipleItems = 0;
    details.cbDetails = sizeof *value;
    details.paDetails = value;
    return details;
}

}  // namespace

void CMixerVolume::SetDeviceCounter(DeviceCounter counter) { deviceCounter = counter ? counter : CountMixerDevices; }

bool CMixerVolume::Open(HWND window) {
    DeviceCount = deviceCounter();
    mixer = nullptr;
    Caps = {};
    ControlId = Minimum = Maximum = 0;
    if (DeviceCount == 0) return true;
    if (mixerOpen(&mixer, 0, (DWORD_PTR)window, 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        mixer = nullptr;
        return false;
    }
    return mixerGetDevCapsW((UINT_PTR)mixer, &Caps, sizeof Caps) == MMSYSERR_NOERROR;
}

bool CMixerVolume::Close() {
    if (!mixer) return true;
    const MMRESULT result = mixerClose(mixer);
    mixer = nullptr;
    return result == MMSYSERR_NOERROR;
}

bool CMixerVolume::FindVolumeControl() {
    if (!mixer) return false;
    MIXERLINEW line = {};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoW((HMIXEROBJ)mixer, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return false;
    MIXERCONTROLW control = {};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSW controls = {};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    if (mixerGetLineControlsW((HMIXEROBJ)mixer, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR)
        return false;
    ControlId = control.dwControlID;
    Minimum = control.Bounds.dwMinimum;
    Maximum = control.Bounds.dwMaximum;
    return true;
}

bool CMixerVolume::GetVolume(DWORD* value) {
    if (!mixer || !value) return false;
    MIXERCONTROLDETAILS_UNSIGNED level = {};
    MIXERCONTROLDETAILS details = OneValueDetails(ControlId, &level);
    if (mixerGetControlDetailsW((HMIXEROBJ)mixer, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return false;
    *value = level.dwValue;
    return true;
}

bool CMixerVolume::SetVolume(DWORD value) {
    if (!mixer) return false;
    MIXERCONTROLDETAILS_UNSIGNED level = {value};
    MIXERCONTROLDETAILS details = OneValueDetails(ControlId, &level);
    return mixerSetControlDetails((HMIXEROBJ)mixer, &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

bool CMixerVolume::StepVolume(int step) {
    DWORD value = 0;
    if (!GetVolume(&value)) return false;
    return SetVolume(SteppedVolume(value, step, Minimum, Maximum));
}

DWORD SteppedVolume(DWORD value, int step, DWORD minimum, DWORD maximum) {
    const int64_t sum = (int64_t)value + step;
    if (sum < (int64_t)minimum) return minimum;
    if (sum > (int64_t)maximum) return maximum;
    return (DWORD)sum;
}

int HorizontalVolumePosition(DWORD value) { return (int)(value / 2); }

int InvertedVolumePosition(DWORD value, DWORD maximum) {
    const int64_t position = (int64_t)(maximum / 2) - (int64_t)(value / 2);
    return position < 0 ? 0 : (int)position;
}

DWORD VolumeFromInvertedPosition(int position, DWORD maximum) {
    const int64_t half = maximum / 2;
    int64_t p = position < 0 ? 0 : position;
    if (p > half) p = half;
    return (DWORD)((half - p) * 2);
}

int TrackbarPositionFromMouse(int coordinate, int clientExtent, int range) {
    if (clientExtent <= 10 || range <= 0) return 0;
    const float p = (float)(coordinate - 5) / ((float)(clientExtent - 10) * 0.01f) * ((float)range * 0.01f);
    if (!(p > 0.0f)) return 0;
    if (p >= (float)range) return range;
    return (int)p;
}
