// Thumbnails through the freedesktop cache: made for a PNG and a PDF (drawn
// by the helper program, never in this process), written to the cache with
// the keys other programs check, reused while the file is unchanged, made
// anew when it changes, and an error for a corrupt image or for a PDF when
// the helper is missing. A helper that crashes or hangs costs that file its
// thumbnail, remembered as failed until the file changes.

#include "platform/qt/ThumbnailGenerator.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QColor>
#include <QImage>
#include <QImageReader>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "support/FreltTest.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// Whether the PDF library is in the process (looked up without loading it).
bool thumbnailPDFLibraryLoaded() {
    void* handle = ::dlopen("libpoppler-qt6.so.3", RTLD_LAZY | RTLD_NOLOAD);
    if (handle) ::dlclose(handle);
    return handle != nullptr;
}

struct Answer {
    std::shared_ptr<Image> image;
    std::optional<std::string> error;
};

class ThumbnailGeneratorTest : public FreltTest {
protected:
    Answer generate(const std::string& path) { return generate(path, generator); }
    Answer generate(const std::string& path, ThumbnailGenerator& with) {
        auto answer = std::make_shared<std::optional<Answer>>();
        auto m = std::make_shared<std::mutex>();
        ThumbnailRequest request;
        request.fileURL = URL::fileURL(path);
        request.size = {48, 48};
        with.generateRepresentations(request, [answer, m](std::shared_ptr<Image> image, int,
                                                               std::optional<std::string> error) {
            std::lock_guard lock(*m);
            *answer = Answer{std::move(image), std::move(error)};
        });
        EXPECT_TRUE(eventually([&] {
            std::lock_guard lock(*m);
            return answer->has_value();
        }));
        std::lock_guard lock(*m);
        return answer->value_or(Answer{});
    }
    static QImage decoded(const Answer& answer) {
        const auto rep = std::dynamic_pointer_cast<BitmapImageRep>(answer.image->representations().front());
        return QImage::fromData(reinterpret_cast<const uchar*>(rep->data().data()), static_cast<int>(rep->data().size()));
    }
    std::string picture(const std::string& name, QColor color, QSize size = {200, 100}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        const auto path = (root() / name).string();
        EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
        return path;
    }

    // A one-page document with a black square on white.
    std::string onePagePDF(const std::string& name) {
        std::vector<std::string> objects{
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>",
            "<< /Length 25 >>\nstream\n0 0 0 rg 0 0 200 200 re f\nendstream",
        };
        std::ostringstream pdf;
        pdf << "%PDF-1.4\n";
        std::vector<long> offsets;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            offsets.push_back(static_cast<long>(pdf.tellp()));
            pdf << i + 1 << " 0 obj\n" << objects[i] << "\nendobj\n";
        }
        const long xref = static_cast<long>(pdf.tellp());
        pdf << "xref\n0 " << objects.size() + 1 << "\n0000000000 65535 f \n";
        for (long o : offsets) {
            char line[32];
            std::snprintf(line, sizeof line, "%010ld 00000 n \n", o);
            pdf << line;
        }
        pdf << "trailer\n<< /Size " << objects.size() + 1 << " /Root 1 0 R >>\nstartxref\n" << xref << "\n%%EOF\n";
        const auto path = (root() / name).string();
        std::ofstream(path, std::ios::binary) << pdf.str();
        return path;
    }

    qt::FreedesktopThumbnailGenerator generator;
};

TEST_F(ThumbnailGeneratorTest, APNGThumbnailIsMadeCachedAndReused) {
    const auto png = picture("photo of mine.png", Qt::blue);
    const Answer first = generate(png);
    ASSERT_TRUE(first.image) << first.error.value_or("");
    EXPECT_EQ(first.image->size(), (Size{48, 24})) << "scaled to fit 48 by 48";
    EXPECT_EQ(decoded(first).pixelColor(10, 10), QColor(Qt::blue));

    // In the shared cache, under the MD5 of the URI, with the keys to check it by.
    const auto cached = qt::FreedesktopThumbnailGenerator::cacheFile(png);
    EXPECT_EQ(fs::path(cached).parent_path(), home() / ".cache/thumbnails/normal");
    const auto texts = qt::pngTextChunks(cached);
    EXPECT_EQ(texts.at("Thumb::URI"), "file://" + root().string() + "/photo%20of%20mine.png");
    struct stat st {};
    ASSERT_EQ(::stat(png.c_str(), &st), 0);
    EXPECT_EQ(texts.at("Thumb::MTime"), std::to_string(st.st_mtime));
    QImageReader reader(QString::fromStdString(cached));
    EXPECT_EQ(reader.read().size(), QSize(128, 64));
    EXPECT_EQ(fs::status(cached).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // Reused: a cached thumbnail painted red (keys kept) is what comes back.
    QImage red(128, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    for (const auto& [key, value] : texts) red.setText(QString::fromStdString(key), QString::fromStdString(value));
    ASSERT_TRUE(red.save(QString::fromStdString(cached), "PNG"));
    EXPECT_EQ(decoded(generate(png)).pixelColor(10, 10), QColor(Qt::red));

    // A change of the file makes it stale: made anew.
    picture("photo of mine.png", Qt::green);
    fs::last_write_time(png, fs::last_write_time(png) + std::chrono::seconds(5));
    EXPECT_EQ(decoded(generate(png)).pixelColor(10, 10), QColor(Qt::green));
}

TEST_F(ThumbnailGeneratorTest, APDFShowsItsFirstPageDrawnOutsideThisProcess) {
    // A name that is no text: the helper gets the file's own bytes.
    const auto path = onePagePDF("paper \xff.pdf");
    const Answer answer = generate(path);
    ASSERT_TRUE(answer.image) << answer.error.value_or("");
    EXPECT_EQ(answer.image->size(), (Size{48, 48}));
    EXPECT_EQ(decoded(answer).pixelColor(24, 24), QColor(Qt::black));
    EXPECT_FALSE(thumbnailPDFLibraryLoaded()) << "the PDF library runs in the helper only";
    EXPECT_TRUE(fs::exists(qt::FreedesktopThumbnailGenerator::cacheFile(path)));
}

// Stand-ins for a helper that a document crashes, one that refuses it and
// one it stalls: each notes every start in a file beside it.
TEST_F(ThumbnailGeneratorTest, AHelperThatFailsCrashesOrHangsCostsTheFileItsThumbnailOnly) {
    struct Case {
        std::string name;
        std::string script;
        std::string error;
    };
    for (const Case& c : std::vector<Case>{
             {"crashes", "kill -SEGV $$", "the PDF renderer crashed (signal 11)"},
             // Its reason is the last line it says, after the PDF library's own.
             {"refuses", "echo 'Error: xref' >&2; echo 'the PDF document cannot be read' >&2; exit 1",
              "the PDF document cannot be read"},
             // exec: the process that is killed is the one that hangs.
             {"hangs", "exec sleep 60", "the PDF document took longer than 1 s to draw"},
         }) {
        SCOPED_TRACE(c.name);
        const auto helper = (root() / c.name).string();
        const auto starts = helper + ".starts";
        std::ofstream(helper) << "#!/bin/sh\necho $$ >> '" << starts << "'\n" << c.script << "\n";
        fs::permissions(helper, fs::perms::owner_all);
        const auto pdf = onePagePDF(c.name + ".pdf");
        qt::FreedesktopThumbnailGenerator with(
            std::make_shared<qt::PDFThumbnailer>(std::vector<std::string>{helper}, std::chrono::seconds(1)));
        auto countStarts = [&] {
            std::ifstream in(starts);
            std::vector<pid_t> pids;
            for (pid_t pid; in >> pid;) pids.push_back(pid);
            return pids;
        };

        const auto before = std::chrono::steady_clock::now();
        const Answer answer = generate(pdf, with);
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
        EXPECT_FALSE(answer.image);
        EXPECT_EQ(answer.error, c.error);
        ASSERT_EQ(countStarts().size(), 1u);
        EXPECT_NE(::kill(countStarts()[0], 0), 0) << "the helper is gone";
        EXPECT_FALSE(fs::exists(qt::FreedesktopThumbnailGenerator::cacheFile(pdf)));

        // Remembered as failed in the shared cache, with the keys that tie
        // it to this version of the file: not tried again.
        const auto failed = qt::FreedesktopThumbnailGenerator::failedFile(pdf);
        EXPECT_EQ(fs::path(failed).parent_path(), home() / ".cache/thumbnails/fail/frelt");
        const auto texts = qt::pngTextChunks(failed);
        EXPECT_EQ(texts.count("Thumb::URI") ? texts.at("Thumb::URI") : "", qt::FreedesktopThumbnailGenerator::thumbnailURI(pdf));
        EXPECT_EQ(generate(pdf, with).error, "no thumbnail could be made of this file before");
        EXPECT_EQ(countStarts().size(), 1u);

        // A changed file is tried again.
        fs::last_write_time(pdf, fs::last_write_time(pdf) + std::chrono::seconds(5));
        EXPECT_EQ(generate(pdf, with).error, c.error);
        EXPECT_EQ(countStarts().size(), 2u);
    }
}

TEST_F(ThumbnailGeneratorTest, ACorruptImageIsAnErrorAndNothingIsCached) {
    const auto path = (root() / "broken.png").string();
    std::ofstream(path, std::ios::binary) << "\x89PNG\r\n\x1a\n this is not the rest of a PNG";
    const Answer answer = generate(path);
    EXPECT_FALSE(answer.image);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->rfind("the image cannot be read", 0), 0u) << *answer.error;
    EXPECT_FALSE(fs::exists(qt::FreedesktopThumbnailGenerator::cacheFile(path)));
    EXPECT_EQ(generate((root() / "missing.png").string()).error, "the file cannot be read");
}

TEST_F(ThumbnailGeneratorTest, WithoutItsHelperAPDFIsAnErrorAndTheLogSaysWhyOnce) {
    const auto pdf = onePagePDF("paper.pdf");
    const auto nowhere = (root() / "nowhere" / "frelt-thumbnail").string();
    const auto notAProgram = (root() / "frelt-thumbnail").string();
    std::ofstream(notAProgram) << "not a program";
    struct Case {
        std::vector<std::string> places;
        std::string problem;
    };
    for (const Case& c : std::vector<Case>{
             {{nowhere}, "frelt-thumbnail is in none of " + nowhere},
             // The first file found is the one: a broken one is reported, not skipped.
             {{nowhere, notAProgram, qt::PDFThumbnailer::standardPlaces().back()},
              notAProgram + " cannot be started: "},
         }) {
        logs().clear();
        qt::FreedesktopThumbnailGenerator without(std::make_shared<qt::PDFThumbnailer>(c.places));
        for (int i = 0; i < 2; ++i) {
            const Answer answer = generate(pdf, without);
            EXPECT_FALSE(answer.image);
            ASSERT_TRUE(answer.error);
            EXPECT_EQ(answer.error->rfind("PDF documents cannot be drawn: " + c.problem, 0), 0u) << *answer.error;
        }
        const auto logged = loggedAfter("PDF thumbnails are off: ");
        ASSERT_EQ(logged.size(), 1u) << "once, not for every PDF";
        EXPECT_EQ(logged[0].rfind(c.problem, 0), 0u) << logged[0];
        EXPECT_FALSE(fs::exists(qt::FreedesktopThumbnailGenerator::cacheFile(pdf)));
        // Not the document's fault: tried again once the helper is there.
        EXPECT_FALSE(fs::exists(qt::FreedesktopThumbnailGenerator::failedFile(pdf)));
    }
}

}  // namespace
