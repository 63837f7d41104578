// The graph window's "Capture" command, end to end: window, picture buffer,
// encoder, file in a real folder, decoded again with libjpeg-turbo.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "GraphTestHost.h"
#include "ImageCheck.h"
#include "QtSession.h"
#include "ReadOnlyFolder.h"
#include "base/Clock.h"
#include "graph/GraphCapture.h"
#include "graph/frmGraph.h"
#include "jpeg/cJpeg.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/QtMessageBox.h"

namespace fs = std::filesystem;

namespace nimbrel {
namespace {

// Records each message and what the menu item showed while it was open.
struct MessageLog {
    struct Entry {
        MessageRequest request;
        bool itemEnabledWhileOpen;
    };
    std::vector<Entry> entries;
};

std::vector<unsigned char> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The marker segments of a JPEG file before its scan data: marker code and
// payload (without the length field).
std::vector<std::pair<int, std::vector<unsigned char>>> Segments(const std::vector<unsigned char>& bytes) {
    std::vector<std::pair<int, std::vector<unsigned char>>> out;
    size_t i = 2;  // past SOI
    while (i + 4 <= bytes.size() && bytes[i] == 0xFF) {
        const int marker = bytes[i + 1];
        const size_t length = size_t(bytes[i + 2]) << 8 | bytes[i + 3];
        if (length < 2 || i + 2 + length > bytes.size()) break;
        out.emplace_back(marker,
                         std::vector<unsigned char>(bytes.begin() + long(i) + 4, bytes.begin() + long(i + 2 + length)));
        if (marker == 0xDA) break;
        i += 2 + length;
    }
    return out;
}

int JpegFiles(const fs::path& folder) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".jpg") ++n;
    return n;
}

// The real graph window, shown on the Xvfb display with its chart drawn, and
// its "Capture" item wired to the command as the program wires it.
class CaptureCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::StartQt(testing::QtPlatform::Xvfb)) GTEST_SKIP() << "Xvfb is not available";
        folder_ = fs::temp_directory_path() / ("nimbrel-capture-" + std::to_string(getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        window_ = &host_.Window();
        mnCapture_ = window_->MenuItem("mnCapture");
        ASSERT_NE(mnCapture_, nullptr);
        ASSERT_EQ(mnCapture_->text().remove(QLatin1Char('&')), "Capture");
        ASSERT_TRUE(testing::ShowAndWait(*window_));
        capture_ = AttachCapture(*window_, folder_.string(), "Nimbrel");
        previous_ = SetMessageHandler([this](const MessageRequest& r) {
            log_.entries.push_back({r, mnCapture_->isEnabled()});
        });
    }
    void TearDown() override {
        SetMessageHandler(previous_);
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    // Clicks "Capture" the way the menu does and returns what it did.
    CaptureResult Click() {
        mnCapture_->trigger();
        return capture_->last;
    }
    void Retarget(const std::string& folder) { capture_->programFolder = folder; }
    PictureBox& Buffer() { return capture_->picCaptureBuffer; }

    testing::GraphTestHost host_;
    frmGraph* window_ = nullptr;
    QAction* mnCapture_ = nullptr;
    std::shared_ptr<GraphCaptureState> capture_;
    fs::path folder_;
    MessageLog log_;
    MessageHandler previous_;
};

TEST_F(CaptureCommand, SavesTheWholeWindowAsABaselineJpegAndSaysSo) {
    ScopedClock clock(DateSerial(2026, 12, 6) + TimeSerial(14, 15, 3));
    const CaptureResult r = Click();
    EXPECT_EQ(r.outcome, CaptureOutcome::Saved);

    ASSERT_EQ(log_.entries.size(), 1u);
    EXPECT_EQ(log_.entries[0].request.text, "Image saved as Screen_20261206_141503.jpg");
    EXPECT_EQ(log_.entries[0].request.caption, "Nimbrel");
    EXPECT_EQ(log_.entries[0].request.icon, MsgIcon::Information);
    EXPECT_FALSE(log_.entries[0].itemEnabledWhileOpen);
    EXPECT_TRUE(mnCapture_->isEnabled());

    const fs::path file = folder_ / "Screen_20261206_141503.jpg";
    ASSERT_TRUE(fs::exists(file));
    const std::vector<unsigned char> bytes = ReadBytes(file);
    // Baseline sequential: a SOF0 frame, no other frame type, and no comment
    // of the caller's: the one comment segment is the encoder's own credit.
    // The quantization tables are those of quality 75 (a file at another
    // quality could still pass the picture checks below when it is better).
    cJpeg at75;
    at75.Quality(75);
    int sof0 = 0, otherFrames = 0, comments = 0;
    std::vector<int> tables;
    for (const auto& [marker, payload] : Segments(bytes)) {
        if (marker == 0xC0) ++sof0;
        if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) ++otherFrames;
        if (marker == 0xFE) {
            ++comments;
            EXPECT_EQ(std::string(payload.begin(), payload.end()).substr(0, 18), "JPEG Encoder Class");
        }
        if (marker != 0xDB) continue;
        for (size_t k = 0; k + 65 <= payload.size(); k += 65) {
            const int t = payload[k];
            ASSERT_TRUE(t == 0 || t == 1) << "table " << t;
            tables.push_back(t);
            for (int z = 0; z < 64; ++z)
                EXPECT_EQ(payload[k + 1 + z], at75.QuantTable(t).Q[z]) << "table " << t << " entry " << z;
        }
    }
    EXPECT_EQ(sof0, 1);
    EXPECT_EQ(otherFrames, 0);
    EXPECT_EQ(comments, 1);
    EXPECT_EQ(tables, (std::vector<int>{0, 1}));

    int subsampling = -1;
    const QImage decoded = testing::DecodeJpegFile(file.string(), &subsampling);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(subsampling, TJSAMP_420);
    EXPECT_EQ(decoded.size(), window_->frameGeometry().size());
    EXPECT_EQ(QSize(Buffer().ScaleWidth(), Buffer().ScaleHeight()), window_->frameGeometry().size());

    // The buffer holds the window exactly, so the file can only differ from
    // the window's own rendering by what quality 75 with 4:2:0 chroma loses.
    // The bar is what the reference encoder keeps of the same picture at the
    // same settings, less 1 dB for what two sound encoders may differ by
    // (transform arithmetic, rounding); a picture shifted by one pixel, of
    // another window or with swapped channels misses it by far more.
    const QRect inner(window_->geometry().topLeft() - window_->frameGeometry().topLeft(), window_->size());
    const QImage own = window_->grab().toImage();
    const double psnr = testing::Psnr(decoded.copy(inner), own);
    const QImage whole = testing::BitmapToImage(Buffer().GetPicture()->Handle());
    const double reference = testing::Psnr(testing::TurboRoundTrip(whole, 75, TJSAMP_420).copy(inner), own);
    std::printf(
        "capture PSNR against the window's own rendering: %.2f dB (libjpeg-turbo at the same settings: %.2f dB)\n",
        psnr, reference);
    EXPECT_GT(psnr, reference - 1.0);
    // And a floor of its own, below what the reference keeps of the chart's
    // thin lines and small text (about 28.7 dB) but far above a wrong picture.
    EXPECT_GT(psnr, 25.0);
    QImage shifted = own.copy(1, 0, own.width(), own.height());
    EXPECT_LT(testing::Psnr(decoded.copy(inner), shifted), psnr - 8.0);
}

TEST_F(CaptureCommand, SecondCaptureWithinTheSameSecondIsNotAnnouncedAsSaved) {
    ScopedClock clock(DateSerial(2026, 12, 6) + TimeSerial(14, 15, 3));
    EXPECT_EQ(Click().outcome, CaptureOutcome::Saved);
    const std::vector<unsigned char> first = ReadBytes(folder_ / "Screen_20261206_141503.jpg");
    EXPECT_EQ(Click().outcome, CaptureOutcome::FileExists);

    EXPECT_EQ(JpegFiles(folder_), 1);
    EXPECT_EQ(ReadBytes(folder_ / "Screen_20261206_141503.jpg"), first);
    ASSERT_EQ(log_.entries.size(), 2u);
    EXPECT_EQ(log_.entries[1].request.text, "Image could not be saved.");
    EXPECT_EQ(log_.entries[1].request.icon, MsgIcon::Warning);
    EXPECT_EQ(log_.entries[1].request.caption, "Nimbrel");
    EXPECT_FALSE(log_.entries[1].itemEnabledWhileOpen);
    EXPECT_TRUE(mnCapture_->isEnabled());

    // A second later the name is free again.
    clock.Advance(1.0 / 86400);
    EXPECT_EQ(Click().outcome, CaptureOutcome::Saved);
    EXPECT_EQ(log_.entries.back().request.text, "Image saved as Screen_20261206_141504.jpg");
    EXPECT_EQ(JpegFiles(folder_), 2);
}

TEST_F(CaptureCommand, FolderThatCannotBeWrittenGivesTheWarningAndNoFile) {
    ScopedClock clock(DateSerial(2026, 12, 6) + TimeSerial(9, 0, 0));
    {
        testing::ReadOnlyFolder readOnly((folder_ / "ro").string());
        ASSERT_TRUE(readOnly.Effective()) << "could not make a folder read-only for this process";
        Retarget(readOnly.Path());
        EXPECT_EQ(Click().outcome, CaptureOutcome::EncoderError);
    }
    EXPECT_FALSE(fs::exists(folder_ / "ro" / "Screen_20261206_090000.jpg"));

    // A folder that cannot exist: its parent is a file.
    std::ofstream(folder_ / "plain-file") << "x";
    Retarget((folder_ / "plain-file" / "sub").string());
    EXPECT_EQ(Click().outcome, CaptureOutcome::EncoderError);

    ASSERT_EQ(log_.entries.size(), 2u);
    EXPECT_EQ(log_.entries[0].request.text,
              "Image could not be saved. The folder " + (folder_ / "ro").string() + " is read-only.");
    EXPECT_EQ(log_.entries[1].request.text,
              "Image could not be saved. The folder " + (folder_ / "plain-file" / "sub").string() + " does not exist.");
    for (const auto& e : log_.entries) {
        EXPECT_EQ(e.request.icon, MsgIcon::Warning);
        EXPECT_FALSE(e.itemEnabledWhileOpen);
    }
    EXPECT_TRUE(mnCapture_->isEnabled());
}

TEST_F(CaptureCommand, ItemIsGreyedWhileTheRealMessageBoxIsOpen) {
    BindQtMessageBoxes();
    ScopedClock clock(DateSerial(2026, 12, 6) + TimeSerial(14, 15, 3));
    bool sawBox = false, enabledWhileOpen = true;
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || sawBox) return;
        sawBox = true;
        enabledWhileOpen = mnCapture_->isEnabled();
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        box->accept();  // the user clicks OK
    });
    poll.start(20);
    EXPECT_EQ(Click().outcome, CaptureOutcome::Saved);  // returns once the box is closed
    poll.stop();
    ASSERT_TRUE(sawBox);
    EXPECT_FALSE(enabledWhileOpen);
    EXPECT_TRUE(mnCapture_->isEnabled());
    EXPECT_EQ(text, "Image saved as Screen_20261206_141503.jpg");
    EXPECT_EQ(caption, "Nimbrel");
    EXPECT_EQ(icon, QMessageBox::Information);
}

TEST_F(CaptureCommand, BufferWithoutABitmapGivesTheWarning) {
    PictureBox empty;
    EXPECT_EQ(SaveCaptureAsJpeg(empty, folder_.string(), "Nimbrel").outcome, CaptureOutcome::NoBitmap);
    empty.SetPicture(PictureFromBitmap(nullptr, nullptr));
    EXPECT_EQ(SaveCaptureAsJpeg(empty, folder_.string(), "Nimbrel").outcome, CaptureOutcome::NoBitmap);
    ASSERT_EQ(log_.entries.size(), 2u);
    EXPECT_EQ(log_.entries[1].request.text, "Image could not be saved.");
    EXPECT_EQ(log_.entries[1].request.icon, MsgIcon::Warning);
    EXPECT_EQ(JpegFiles(folder_), 0);
}

}  // namespace
}  // namespace nimbrel
