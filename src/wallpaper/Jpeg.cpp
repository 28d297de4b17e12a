#include "wallpaper/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "platform/constants.h"
#include "platform/error.h"
#include "wallpaper/SafeFile.h"

namespace {

// Where the decoded rows go, a band of rows at a time, as 24-bit BGR. Prepare is
// told the size once the header is read and answers how many rows a band holds;
// Place then gives the rows of each band in turn, top to bottom (the picture's
// rows first .. first + count - 1), and Store is told when they are filled.
class TRowSink {
public:
    virtual int Prepare(int width, int height) = 0;
    virtual void Place(int first, int count, JSAMPROW* rows) = 0;
    virtual void Store(int first, int count) = 0;

protected:
    ~TRowSink() = default;
};

struct TErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// libjpeg's own error exit ends the process; this one returns to the decoding
// function, which throws once it has left the library.
extern "C" void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are not shown: most describe damage the library has already
// repaired. A premature end of file is the exception, because the library
// pads the missing rows with grey and the user would get a half-grey wallpaper
// without a word.
extern "C" void EmitMessage(j_common_ptr cinfo, int msgLevel) {
    if (msgLevel >= 0) return;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) (*cinfo->err->error_exit)(cinfo);
    cinfo->err->num_warnings++;
}

extern "C" void OutputMessage(j_common_ptr) {}

// Owns the decompressor so that every way out of the decoding, a longjmp
// turned into a throw or an allocation failure of ours, destroys it.
struct TDecompressor {
    jpeg_decompress_struct cinfo{};
    TErrorManager err{};
    bool created = false;

    TDecompressor() = default;
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;
    ~TDecompressor() { Destroy(); }
    void Destroy() {
        if (created) jpeg_destroy_decompress(&cinfo);
        created = false;
    }
};

// Converts Adobe-style CMYK rows, which libjpeg cannot turn into BGR itself.
// Photoshop stores the inks inverted and flags it with its APP14 marker.
void CmykRowToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

// The JPEG file read through the kernel a piece at a time, so that a large photo
// is never whole in memory either. A failed read ends the decoding with the
// system's error code kept for the message; the end of the file before the
// picture's does what the library does with a file image that ends early.
struct TFileSource {
    jpeg_source_mgr pub{};
    plat::IKernel& kernel;
    plat::Handle file;
    long error = plat::ERROR_SUCCESS;
    bool started = false;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(64 * 1024);

    TFileSource(plat::IKernel& k, plat::Handle f) : kernel(k), file(f) {}
};

extern "C" void InitSource(j_decompress_ptr) {}
extern "C" void TermSource(j_decompress_ptr) {}

extern "C" boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<TFileSource*>(cinfo->src);
    std::uint32_t got = 0;
    bool ok = false;
    try {
        ok = src->kernel.ReadFile(src->file, src->buffer.data(),
                                  static_cast<std::uint32_t>(src->buffer.size()), got);
        if (!ok) src->error = static_cast<long>(src->kernel.GetLastError());
    } catch (...) {
        // Nothing may be thrown through the library's frames.
    }
    if (!ok) {
        if (src->error == plat::ERROR_SUCCESS) src->error = plat::ERROR_READ_FAULT;
        ERREXIT(cinfo, JERR_FILE_READ);
    }
    if (got == 0) {
        if (!src->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->started = true;
    src->pub.next_input_byte = src->buffer.data();
    src->pub.bytes_in_buffer = got;
    return TRUE;
}

extern "C" void SkipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<TFileSource*>(cinfo->src);
    if (count <= 0) return;
    while (static_cast<unsigned long>(count) > src->pub.bytes_in_buffer) {
        count -= static_cast<long>(src->pub.bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
}

// Runs libjpeg from header to end. Returns false after a library error, with
// the message in d.err.message; only trivially destructible locals live here,
// since a longjmp lands in this frame. Our own failures (a picture too large,
// no memory) are thrown from this frame, never from inside the library.
bool RunDecoder(TDecompressor& d, std::span<const std::uint8_t> data, TFileSource* file,
                std::uint64_t maxPixels, const plat::ScaleBox& box, TRowSink& sink,
                std::vector<JSAMPROW>& rows, std::vector<JSAMPLE>& scratch) {
    jpeg_decompress_struct* cinfo = &d.cinfo;
    cinfo->err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = ErrorExit;
    d.err.pub.emit_message = EmitMessage;
    d.err.pub.output_message = OutputMessage;
    if (setjmp(d.err.jump)) return false;

    jpeg_create_decompress(cinfo);
    d.created = true;
    if (file) {
        file->pub.init_source = InitSource;
        file->pub.fill_input_buffer = FillInputBuffer;
        file->pub.skip_input_data = SkipInputData;
        file->pub.resync_to_restart = jpeg_resync_to_restart;
        file->pub.term_source = TermSource;
        cinfo->src = &file->pub;
    } else {
        jpeg_mem_src(cinfo, data.data(), static_cast<unsigned long>(data.size()));
    }
    jpeg_read_header(cinfo, TRUE);

    const std::uint64_t pixels = static_cast<std::uint64_t>(cinfo->image_width) * cinfo->image_height;
    if (pixels > maxPixels)
        throw EVelantError("JPEG image is too large: " + std::to_string(cinfo->image_width) + " x " +
                           std::to_string(cinfo->image_height) + " pixels");

    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    cinfo->dct_method = JDCT_ISLOW;
    cinfo->do_fancy_upsampling = TRUE;
    cinfo->do_block_smoothing = TRUE;
    // The library's scaled inverse transforms shrink the picture as they decode
    // it: a fraction of the work and of the bitmap, not a full decode resampled.
    cinfo->scale_num = static_cast<unsigned>(
        JpegScaleEighths(static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height), box));
    cinfo->scale_denom = 8;
    jpeg_start_decompress(cinfo);

    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    const int band = sink.Prepare(width, height);
    rows.resize(static_cast<std::size_t>(band));
    if (cmyk) scratch.resize(static_cast<std::size_t>(width) * 4);
    for (int first = 0; first < height; first += band) {
        const int count = std::min(band, height - first);
        sink.Place(first, count, rows.data());
        const JDIMENSION end = static_cast<JDIMENSION>(first + count);
        if (!cmyk) {
            while (cinfo->output_scanline < end) {
                const JDIMENSION at = cinfo->output_scanline;
                jpeg_read_scanlines(cinfo, rows.data() + (at - static_cast<JDIMENSION>(first)), end - at);
            }
        } else {
            JSAMPROW line = scratch.data();
            const bool inverted = cinfo->saw_Adobe_marker;
            while (cinfo->output_scanline < end) {
                const JDIMENSION at = cinfo->output_scanline;
                if (jpeg_read_scanlines(cinfo, &line, 1) == 1)
                    CmykRowToBgr(line, rows[at - static_cast<JDIMENSION>(first)], cinfo->output_width,
                                 inverted);
            }
        }
        sink.Store(first, count);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// Decodes the file image data, or, with file, the file it reads.
void Decode(std::span<const std::uint8_t> data, TFileSource* file, std::uint64_t maxPixels, TRowSink& sink,
            const plat::ScaleBox& box = {}) {
    TDecompressor d;
    std::vector<JSAMPROW> rows;
    std::vector<JSAMPLE> scratch;
    if (!RunDecoder(d, data, file, maxPixels, box, sink, rows, scratch)) {
        d.Destroy();
        throw EVelantError(d.err.message);
    }
}

// The picture's top row is the bottom-up bitmap's last: each row goes straight
// where the bitmap or the file keeps it.
class TBitmapSink final : public TRowSink {
public:
    TBitmap bitmap;
    int Prepare(int width, int height) override {
        bitmap = TBitmap(width, height, 24);
        return height;
    }
    void Place(int first, int count, JSAMPROW* rows) override {
        for (int i = 0; i < count; ++i) rows[i] = bitmap.Row(first + i);
    }
    void Store(int, int) override {}
};

class TBmpFileSink final : public TRowSink {
public:
    std::vector<std::uint8_t> file;
    int Prepare(int width, int height) override {
        FStride = TBitmap::StrideFor(width, 24);
        FHeight = height;
        file.resize(kBmpHeaderSize + FStride * static_cast<std::size_t>(height));
        WriteBmpHeader(file.data(), width, height);
        return height;
    }
    void Place(int first, int count, JSAMPROW* rows) override {
        for (int i = 0; i < count; ++i)
            rows[i] =
                file.data() + kBmpHeaderSize + FStride * static_cast<std::size_t>(FHeight - 1 - first - i);
    }
    void Store(int, int) override {}

private:
    std::size_t FStride = 0;
    int FHeight = 0;
};

// Bands of rows written to the file as they are decoded, each at its place in
// the bottom-up file, so that the picture is never whole in memory: a 6000 x 4000
// photo would need 72 MB, all of it faulted in only to be copied out once.
class TStreamedBmpSink final : public TRowSink {
public:
    TStreamedBmpSink(plat::IKernel& kernel, const std::string& target) : FKernel(kernel), FTarget(target) {}
    int Prepare(int width, int height) override {
        FStride = TBitmap::StrideFor(width, 24);
        FHeight = height;
        // The file is created only for a picture that passed the header checks.
        FFile.emplace(FKernel, FTarget);
        std::uint8_t header[kBmpHeaderSize];
        WriteBmpHeader(header, width, height);
        FFile->WriteAt(0, header, sizeof header);
        const int band = static_cast<int>(std::clamp<std::size_t>(kBandBytes / FStride, 1, height));
        // Zeroed once: the decoder fills the pixels, the padding at each row's end stays 0.
        FBand.assign(FStride * static_cast<std::size_t>(band), 0);
        return band;
    }
    void Place(int, int count, JSAMPROW* rows) override {
        for (int i = 0; i < count; ++i)
            rows[i] = FBand.data() + FStride * static_cast<std::size_t>(count - 1 - i);
    }
    void Store(int first, int count) override {
        const std::size_t fileRow = static_cast<std::size_t>(FHeight - first - count);
        FFile->WriteAt(kBmpHeaderSize + FStride * fileRow, FBand.data(),
                       FStride * static_cast<std::size_t>(count));
    }
    // Only once the whole picture decoded: a damaged file keeps the previous one.
    void Commit() { FFile->Commit(); }

private:
    static constexpr std::size_t kBandBytes = 1 << 20;
    plat::IKernel& FKernel;
    const std::string& FTarget;
    std::optional<TReplacingFile> FFile;
    std::vector<std::uint8_t> FBand;
    std::size_t FStride = 0;
    int FHeight = 0;
};

// The source opened for reading, closed whatever happens.
struct TSourceFile {
    plat::IKernel& kernel;
    plat::Handle handle;

    TSourceFile(plat::IKernel& k, const std::string& path)
        : kernel(k),
          handle(k.CreateFile(path, plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING,
                              plat::FILE_ATTRIBUTE_NORMAL)) {
        if (!handle) throw plat::FileError(k, "open file", path, static_cast<long>(k.GetLastError()));
    }
    TSourceFile(const TSourceFile&) = delete;
    TSourceFile& operator=(const TSourceFile&) = delete;
    ~TSourceFile() { Close(); }
    void Close() {
        if (handle) kernel.CloseHandle(handle);
        handle = 0;
    }
};

}  // namespace

int JpegScaleEighths(int width, int height, const plat::ScaleBox& box) {
    int needWidth = 0, needHeight = 0;
    plat::SizeInBox(width, height, box, needWidth, needHeight);
    // The library's picture at N/8 is ceil(side * N / 8) on each side.
    for (int n = 1; n < 8; ++n)
        if ((static_cast<std::int64_t>(width) * n + 7) / 8 >= needWidth &&
            (static_cast<std::int64_t>(height) * n + 7) / 8 >= needHeight)
            return n;
    return 8;
}

TBitmap DecodeJpeg(std::span<const std::uint8_t> data, std::uint64_t maxPixels) {
    TBitmapSink sink;
    Decode(data, nullptr, maxPixels, sink);
    return std::move(sink.bitmap);
}

std::vector<std::uint8_t> DecodeJpegToBmpFile(std::span<const std::uint8_t> data, std::uint64_t maxPixels) {
    TBmpFileSink sink;
    Decode(data, nullptr, maxPixels, sink);
    return std::move(sink.file);
}

TBitmap LoadJpegFile(plat::IKernel& kernel, const std::string& path) {
    return DecodeJpeg(ReadWholeFile(kernel, path));
}

void ConvertJpegToBitmap(plat::IKernel& kernel, const std::string& source, const std::string& target,
                         const plat::ScaleBox& box) {
    TSourceFile file(kernel, source);
    TFileSource input(kernel, file.handle);
    TStreamedBmpSink sink(kernel, target);
    try {
        Decode({}, &input, kMaxPicturePixels, sink, box);
    } catch (const EVelantError&) {
        if (input.error == plat::ERROR_SUCCESS) throw;
        throw plat::FileError(kernel, "open file", source, input.error);
    }
    // Closed before the move, which could otherwise not replace the source itself.
    file.Close();
    sink.Commit();
}
