#include "graph/GraphCapture.h"

#include <sys/stat.h>

#include <QAction>
#include <QCoreApplication>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <exception>

#include "base/Clock.h"
#include "base/modMisc.h"
#include "graph/frmGraph.h"
#include "jpeg/JpegError.h"
#include "jpeg/cJpeg.h"
#include "platform/ui/MessageBox.h"

namespace nimbrel {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kDesignWidthTwips = 1815;
constexpr int kDesignHeightTwips = 975;
constexpr gdi::COLORREF kBackColour = gdi::RGB(255, 255, 255);

constexpr int kQuality = 75;
constexpr const char* kSavedText = QT_TRANSLATE_NOOP("GraphCapture", "Image saved as %1");
constexpr const char* kNotSavedText = QT_TRANSLATE_NOOP("GraphCapture", "Image could not be saved.");

// Enables the item again however the command ends.
class EnableOnExit {
public:
    explicit EnableOnExit(QAction* item) : item_(item) {}
    ~EnableOnExit() {
        if (item_) item_->setEnabled(true);
    }
    EnableOnExit(const EnableOnExit&) = delete;
    EnableOnExit& operator=(const EnableOnExit&) = delete;

private:
    QAction* item_;
};

}  // namespace

// --- picCaptureBuffer ---------------------------------------------------------

PictureBox::PictureBox() {
    MakeSurface(kDesignWidthTwips / kTwipsPerPixel, kDesignHeightTwips / kTwipsPerPixel);
}

PictureBox::~PictureBox() {
    if (dc_) gdi::ReleaseDC(nullptr, dc_);
    if (surface_) gdi::DeleteObject(surface_);
}

void PictureBox::MakeSurface(int width, int height) {
    gdi::HBITMAP bitmap = gdi::CreateDIB24(nullptr, width, height);
    gdi::HDC dc = bitmap ? gdi::CreateSurfaceDC(bitmap) : nullptr;
    if (!dc) {
        // Keep the old surface rather than lose the box's context.
        if (bitmap) gdi::DeleteObject(bitmap);
        return;
    }
    if (dc_) gdi::ReleaseDC(nullptr, dc_);
    if (surface_) gdi::DeleteObject(surface_);
    surface_ = bitmap;
    dc_ = dc;
    width_ = width;
    height_ = height;
    Cls();
}

void PictureBox::Cls() {
    if (!dc_) return;
    const gdi::RECT all{0, 0, width_, height_};
    gdi::HBRUSH brush = gdi::CreateSolidBrush(kBackColour);
    gdi::FillRect(dc_, &all, brush);
    gdi::DeleteObject(brush);
}

void PictureBox::SetPicture(PicturePtr picture) {
    picture_ = std::move(picture);
    if (!picture_ || !picture_->HasBitmap()) {
        Cls();
        return;
    }
    const int width = picture_->Width();
    const int height = picture_->Height();
    if (width != width_ || height != height_) MakeSurface(width, height);
    Cls();
    gdi::HDC source = gdi::CreateSurfaceDC(picture_->Handle());
    if (source) {
        gdi::BitBlt(dc_, 0, 0, width, height, source, 0, 0, gdi::SRCCOPY);
        gdi::ReleaseDC(nullptr, source);
    }
}

// --- why a save failed ---------------------------------------------------------

std::string WriteFailureReason(int systemError, const std::string& folder) {
    switch (systemError) {
        case 0:
            return {};
        case ENOSPC:
        case EDQUOT:
            return QCoreApplication::translate("GraphCapture", "The disk is full.").toStdString();
        case EROFS:
            return QCoreApplication::translate("GraphCapture", "The folder %1 is on a read-only disk.")
                .arg(QString::fromStdString(folder))
                .toStdString();
        case EACCES:
        case EPERM: {
            // A folder nobody may write in is read-only; otherwise it is this
            // user who lacks the permission.
            struct stat st {};
            if (::stat(folder.c_str(), &st) == 0 && (st.st_mode & 0222) == 0)
                return QCoreApplication::translate("GraphCapture", "The folder %1 is read-only.")
                    .arg(QString::fromStdString(folder))
                    .toStdString();
            return QCoreApplication::translate("GraphCapture", "You have no permission to write in the folder %1.")
                .arg(QString::fromStdString(folder))
                .toStdString();
        }
        case ENOENT:
        case ENOTDIR:
            return QCoreApplication::translate("GraphCapture", "The folder %1 does not exist.")
                .arg(QString::fromStdString(folder))
                .toStdString();
        case ENAMETOOLONG:
            return QCoreApplication::translate("GraphCapture", "The name of the folder %1 is too long.")
                .arg(QString::fromStdString(folder))
                .toStdString();
        default:
            return QCoreApplication::translate("GraphCapture", "The system said: %1.")
                .arg(QString::fromLocal8Bit(std::strerror(systemError)))
                .toStdString();
    }
}

// --- the command ----------------------------------------------------------------

CaptureResult mnCapture_Click(const CaptureTarget& target) {
    if (target.mnCapture) target.mnCapture->setEnabled(false);
    EnableOnExit enableAgain(target.mnCapture);

    target.picCaptureBuffer->Cls();
    target.picCaptureBuffer->SetPicture(target.window ? CaptureFormImage(*target.window) : nullptr);
    // Lets the window repaint (the menu bar after the click) before the
    // encoder takes its time.
    QCoreApplication::processEvents();
    return SaveCaptureAsJpeg(*target.picCaptureBuffer, target.programFolder, target.appTitle);
}

CaptureResult SaveCaptureAsJpeg(PictureBox& picCaptureBuffer, const std::string& programFolder,
                                const std::string& appTitle) {
    CaptureResult result;
    result.fileName = "Screen_" + FormatStamp(Now()) + ".jpg";
    result.path = AddBackslash(programFolder) + result.fileName;

    const Picture* picture = picCaptureBuffer.GetPicture();
    if (!picture || !picture->HasBitmap()) {
        result.outcome = CaptureOutcome::NoBitmap;
    } else {
        // The outcome of each step is looked at: the user is told the file was
        // saved only when it was, and an encoder error ends in the same
        // message instead of escaping the menu command.
        try {
            cJpeg jpeg;
            jpeg.Quality(kQuality);
            jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
            if (jpeg.SampleHDC(picCaptureBuffer.hDC(), picCaptureBuffer.ScaleWidth(), picCaptureBuffer.ScaleHeight(), 0,
                               0) != 0) {
                result.outcome = CaptureOutcome::SamplingFailed;
            } else {
                switch (jpeg.SaveFile(result.path)) {
                    case 0:
                        result.outcome = CaptureOutcome::Saved;
                        break;
                    case 2:
                        result.outcome = CaptureOutcome::FileExists;
                        break;
                    default:
                        result.outcome = CaptureOutcome::EncoderError;
                        break;
                }
            }
        } catch (const JpegError& e) {
            result.outcome = CaptureOutcome::EncoderError;
            result.reason = WriteFailureReason(e.SystemError(), programFolder);
        } catch (const std::exception&) {
            result.outcome = CaptureOutcome::EncoderError;
        }
    }

    if (result.outcome == CaptureOutcome::Saved)
        ShowMessage(QCoreApplication::translate("GraphCapture", kSavedText)
                        .arg(QString::fromStdString(result.fileName))
                        .toStdString(),
                    appTitle, MsgIcon::Information);
    else if (result.reason.empty())
        ShowMessage(QCoreApplication::translate("GraphCapture", kNotSavedText).toStdString(), appTitle,
                    MsgIcon::Warning);
    else
        ShowMessage(QCoreApplication::translate("GraphCapture", kNotSavedText).toStdString() + " " + result.reason,
                    appTitle, MsgIcon::Warning);
    return result;
}

std::shared_ptr<GraphCaptureState> AttachCapture(frmGraph& window, const std::string& programFolder,
                                                 const std::string& appTitle) {
    auto state = std::make_shared<GraphCaptureState>();
    state->programFolder = programFolder;
    state->appTitle = appTitle;
    window.OnCapture = [state](frmGraph& w) {
        state->last = mnCapture_Click(CaptureTarget{&w, w.MenuItem("mnCapture"), &state->picCaptureBuffer,
                                                    state->programFolder, state->appTitle});
    };
    return state;
}

}  // namespace nimbrel
