#include "style/icon_names.h"

#include <array>

namespace {

// Every icon is tinted to one colour, so only single-colour drawings are listed here: Breeze's
// full-colour 32 px drawings (home, help-about, network-server, dialog-warning) would turn into
// solid blobs. Where the meaning has no exact Breeze icon, the closest one is used: a gauge for
// the fuel page, a SIM card for the chip, an RJ45 socket for the connector pins, a wired network
// for the CAN bus.
constexpr auto Sources = std::to_array<TIconSource>({
    // page buttons
    {"WELLCOME", "EDU", "actions/16/go-home.svg", "actions/22/go-home.svg"},
    {"INFO", "ED", "actions/16/help-about.svg", "actions/22/help-about.svg"},
    {"CONFIG", "ED", "actions/16/tools.svg", "actions/22/tools.svg"},
    {"LOG", "ED", "actions/16/view-list-text.svg", "actions/22/view-list-text.svg"},
    {"FUEL", "ED", "actions/16/speedometer.svg", "actions/22/speedometer.svg"},
    {"STATION", "ED", "actions/16/view-process-all.svg", "actions/22/view-process-all.svg"},
    {"PRINT", "EDI", "actions/16/document-print.svg", "actions/22/document-print.svg"},
    // monitor items: a plain dot whose colour carries the state
    {"ACTION", "EDRY", "actions/16/media-record.svg", "actions/22/media-record.svg"},
    // monitor sections; UPDATE deliberately has none so that its section shows I_DEFAULT
    {"PARAMS", "I", "actions/16/configure.svg", "actions/22/configure.svg"},
    {"GEO", "I", "actions/16/gps.svg", "actions/22/gps.svg"},
    {"SERVERS", "I", "places/16/network-server.svg", "places/22/network-server.svg"},
    {"MODEM", "I", "devices/16/network-modem.svg", "devices/22/network-modem.svg"},
    {"PINS", "I", "devices/16/network-rj45-female.svg", "devices/22/network-rj45-female.svg"},
    {"CHIP", "I", "devices/16/auth-sim.svg", "devices/22/auth-sim.svg"},
    {"CAN", "I", "devices/16/network-wired.svg", "devices/22/network-wired.svg"},
    {"DEFAULT", "I", "actions/16/view-list-details.svg", "actions/22/view-list-details.svg"},
    // buttons
    {"PAUSE", "I", "actions/16/media-playback-pause.svg", "actions/22/media-playback-pause.svg"},
    {"PLAY", "I", "actions/16/media-playback-start.svg", "actions/22/media-playback-start.svg"},
    {"STOP", "I", "actions/16/media-playback-stop.svg", "actions/22/media-playback-stop.svg"},
    {"STEP_F", "I", "actions/16/media-skip-forward.svg", "actions/22/media-skip-forward.svg"},
    {"STEP_B", "I", "actions/16/media-skip-backward.svg", "actions/22/media-skip-backward.svg"},
    {"NO", "I", "actions/16/window-close.svg", "actions/22/window-close.svg"},
    {"OPEN", "EI", "actions/16/document-open.svg", "actions/22/document-open.svg"},
    {"SAVE", "I", "actions/16/document-save.svg", "actions/22/document-save.svg"},
    {"GET", "E", "actions/16/download.svg", "actions/22/download.svg"},
    {"SET", "E", "actions/16/cloud-upload.svg", "actions/22/cloud-upload.svg"},
    {"ATTENTION", "E", "status/16/dialog-warning.svg", "status/22/dialog-warning.svg"},
    {"MINIMIZE", "I", "actions/16/window-minimize.svg", "actions/22/window-minimize.svg"},
    {"MAXIMIZE", "I", "actions/16/window-maximize.svg", "actions/22/window-maximize.svg"},
    {"NORMALIZE", "I", "actions/16/window-restore.svg", "actions/22/window-restore.svg"},
    {"THEME", "E", nullptr, "actions/22/contrast.svg"},
    {"DRIVER", "E", "devices/16/drive-removable-media-usb.svg", "devices/22/drive-removable-media-usb.svg"},
});

} // namespace

std::span<const TIconSource> IconSources() {
  return Sources;
}
