#pragma once

#include <QRect>
#include <optional>
#include <string>

namespace kiv {

// The window's position and size between runs, kept in the user's settings folder (a folder
// next to the executable is not writable on Linux): section "KivRun Window Size", keys Left,
// Top, Width and Height in pixels.
class WindowSettings {
public:
    // $XDG_CONFIG_HOME/kivrun/kivrun.ini, or ~/.config/kivrun/kivrun.ini without it.
    static std::string FilePath();
    // The saved geometry, each missing key taking the value of `current`; none without a
    // settings file, so that a first start leaves the placement to the desktop.
    static std::optional<QRect> Load(const QRect& current);
    static void Save(const QRect& geometry);
    // A saved Left (or Top) that lies beyond the screen's far edge puts the window against
    // that edge; one before the screen's near edge puts it against the near edge.
    static int PullBack(int position, int size, int screenStart, int screenSize);
};

}  // namespace kiv
