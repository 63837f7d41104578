#pragma once
// What the graph window needs from the main window, and nothing more: the
// chart builder and the flag that says whether the graph window is meant to
// be on the screen. The main window implements it; tests implement it over a
// settings store of their own.
#include "base/DateTime.h"

namespace nimbrel {

class frmGraph;

class GraphHost {
public:
    virtual ~GraphHost() = default;
    // Fills the graph window's chart and title (the main window's
    // DrawWeatherGraph). Never throws.
    virtual void DrawWeatherGraph(bool blnTemperature, bool blnBothGraphs, DateTime datStart, DateTime datEnd,
                                  bool blnAutoTime) = 0;
    // The main window's blnGraphShow.
    virtual bool& blnGraphShow() = 0;
};

}  // namespace nimbrel
