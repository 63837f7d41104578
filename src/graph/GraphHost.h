#pragma once
// What the graph window needs from the main window, and nothing more: the
// chart builder, which draws the history the host holds with the window's
// choices, handed over by value. The main window implements it; tests
// implement it over a history of their own. The window tells its host of a
// close by the user through its HiddenByUser signal.
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
};

}  // namespace nimbrel
