#include "ModelAccessors.h"

#include "ModelTables.h"

#include <iterator>

bool IsAddressable(int device, int channel) {
    return device >= 1 && device <= 2 && channel >= 1 && channel <= 4;
}

int ScreenDevice(int screen) {
    return screen <= 4 ? 1 : 2;
}

int ScreenChannel(int screen) {
    return screen <= 4 ? screen : screen - 4;
}

int SourceWidth(const WindowState &state) {
    const qint32 active = InputInfoTable[1][1].HActive;
    return active != 0 ? active : state.DefaultSourceWidth;
}

int SourceHeight(const WindowState &state) {
    const qint32 active = InputInfoTable[1][1].VActive;
    return active != 0 ? active : state.DefaultSourceHeight;
}

bool IsInputLocked(int device, int channel) {
    return IsAddressable(device, channel) && InputInfoTable[device][channel].VideoLocked == 1;
}

void UpdatePositionBounds(WindowState &state, int device, int channel) {
    if (!IsAddressable(device, channel)) return;
    const InputInfo &r = InputInfoTable[device][channel];

    state.HPositionMax = r.HPositionCenter + 128;
    const qint32 hLimit = r.HPositionLimit != -1 ? r.HPositionLimit : r.HTotal - r.HActive - 2;
    if (hLimit <= state.HPositionMax) state.HPositionMax = hLimit - 1;
    state.HPositionMin = r.HPositionCenter - 128;

    state.VPositionMax = r.VPositionCenter + 16;
    if (r.VPositionLimit != -1 && r.VPositionLimit <= state.VPositionMax)
        state.VPositionMax = r.VPositionLimit - 1;
    state.VPositionMin = r.VPositionCenter - 16;
}

void UpdateDefaultSourceSize(WindowState &state) {
    static const struct {
        qint32 width, height;
    } sizes[] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};

    const quint8 format = OutputInfoTable[1][1].OutputFormat;
    if (format < std::size(sizes)) {
        state.DefaultSourceWidth = sizes[format].width;
        state.DefaultSourceHeight = sizes[format].height;
    }
}
