#pragma once
// The graph window's "Capture" command: the whole window copied into the
// hidden picture buffer and saved as "Screen_yyyymmdd_hhnnss.jpg" in the
// program's folder, with a message that tells the user how it went.
#include <memory>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/qt/modCapture.h"

class QAction;
class QWidget;

namespace nimbrel {

class frmGraph;

// picCaptureBuffer: a hidden, borderless picture box with a white background,
// measured in pixels. It keeps the picture it is given on a persistent drawing
// surface and takes that picture's size, so the encoder reads exactly the
// captured window from its top-left corner.
class PictureBox {
public:
    // Design size 1815 x 975 twips.
    PictureBox();
    ~PictureBox();
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    // Clears the drawing surface to the background colour.
    void Cls();
    // Takes the picture; with a bitmap the box grows (or shrinks) to its size
    // and its surface shows it. A picture without a bitmap leaves the surface
    // cleared.
    void SetPicture(PicturePtr picture);
    // Null when no picture was ever given.
    const Picture* GetPicture() const { return picture_.get(); }

    // The persistent surface the encoder samples.
    gdi::HDC hDC() const { return dc_; }
    // Inner size in pixels.
    int ScaleWidth() const { return width_; }
    int ScaleHeight() const { return height_; }

private:
    void MakeSurface(int width, int height);

    PicturePtr picture_;
    gdi::HBITMAP surface_ = nullptr;
    gdi::HDC dc_ = nullptr;
    int width_ = 0, height_ = 0;
};

// How a save ended; every outcome but Saved shows "Image could not be saved.",
// followed by the reason when the system gave one.
enum class CaptureOutcome {
    Saved,
    NoBitmap,        // the capture produced no picture
    SamplingFailed,  // the encoder could not read the buffer
    FileExists,      // a file of the name exists (a second capture within one second)
    EncoderError,    // the encoder raised an error (a file that cannot be written, among others)
};

struct CaptureResult {
    CaptureOutcome outcome = CaptureOutcome::NoBitmap;
    std::string fileName;  // "Screen_yyyymmdd_hhnnss.jpg"
    std::string path;      // folder + file name
    std::string reason;    // the sentence after "Image could not be saved." ("" when none)
};

// The reason a file could not be written in folder, from the system's error
// number: a full disk, a read-only disk or folder, a missing permission, a
// folder that is not there; "" for 0.
std::string WriteFailureReason(int systemError, const std::string& folder);

// What the command works on: the graph window, its menu item, its buffer,
// and the program's folder and title.
struct CaptureTarget {
    QWidget* window = nullptr;
    QAction* mnCapture = nullptr;
    PictureBox* picCaptureBuffer = nullptr;
    std::string programFolder;
    std::string appTitle;
};

// The "Capture" command. The item stays disabled from the start until the
// message box has been closed, and is enabled again whatever happened.
CaptureResult mnCapture_Click(const CaptureTarget& target);

// Saves the buffer as a new JPEG file in programFolder and shows the message.
CaptureResult SaveCaptureAsJpeg(PictureBox& picCaptureBuffer, const std::string& programFolder,
                                const std::string& appTitle);

// The capture command as plugged into a graph window: the window's hidden
// picture buffer and what the last capture did. It lives as long as the
// window's command does.
struct GraphCaptureState {
    PictureBox picCaptureBuffer;
    std::string programFolder;
    std::string appTitle;
    CaptureResult last;
};

// Plugs the command into the window's "Capture" item (frmGraph::OnCapture):
// files go to programFolder, messages carry appTitle.
std::shared_ptr<GraphCaptureState> AttachCapture(frmGraph& window, const std::string& programFolder,
                                                 const std::string& appTitle);

}  // namespace nimbrel
