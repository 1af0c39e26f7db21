#include "app/png_encoder.h"

#include <QImage>
#include <QtEndian>
#include <immintrin.h>
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace vantrel {

namespace {

// Rows go unfiltered: on a chart, mostly flat colour, that deflates to a smaller file than any
// filter and costs nothing to prepare. igzip's fastest level deflates a default chart in about a
// sixth of the time zlib's fastest takes, to a file about an eighth larger.
constexpr unsigned char kNoFilter = 0;
constexpr std::uint32_t kFastestLevel = 1;
// The rows are handed to the deflater this many bytes at a time, so that they stay in the cache.
constexpr std::size_t kRowsBytes = std::size_t{1} << 18;
// A row's last store of 16 bytes reaches 4 bytes past it.
constexpr std::size_t kRowSpare = 4;
// The rows are cut into bands deflated on one thread more than the processor has cores, and joined
// into one zlib stream. Several bands a thread keep every thread busy when one part of the picture
// is busier than another, or another program takes a core for a while.
constexpr int kBands = 8;

struct Band {
    int firstRow = 0;
    int endRow = 0;
    std::string deflated;
    std::uint32_t adler = 1; // of the band's filtered rows alone
    std::size_t filteredBytes = 0;
    bool failed = false;
};

std::size_t rowBytes(const QImage& image) {
    return 1 + 3 * static_cast<std::size_t>(image.width());
}

// Each pixel goes out in one store of four bytes, red, green, blue and a spare one that the next
// pixel overwrites, where three byte stores were the slowest part of preparing the rows.
void rgbOfPixels(const QRgb* pixels, int count, unsigned char* out) {
    for (int x = 0; x < count; ++x, out += 3) {
        const quint32 redGreenBlue = qToBigEndian(static_cast<quint32>(pixels[x]) << 8);
        std::memcpy(out, &redGreenBlue, sizeof redGreenBlue);
    }
}

// Four pixels a step, their bytes put in order by one shuffle, the spare four bytes of each store
// overwritten by the next.
__attribute__((target("ssse3"))) void rgbOfPixelsSsse3(const QRgb* pixels, int count, unsigned char* out) {
    const __m128i redGreenBlue = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    int x = 0;
    for (; x + 4 <= count; x += 4, out += 12) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(four, redGreenBlue));
    }
    rgbOfPixels(pixels + x, count - x, out);
}

// The row's filter byte and its pixels' bytes; the stores need kRowSpare bytes of room after the row.
void filteredRow(const QImage& image, int y, unsigned char* out) {
    static const bool hasSsse3 = __builtin_cpu_supports("ssse3");
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    *out++ = kNoFilter;
    (hasSsse3 ? rgbOfPixelsSsse3 : rgbOfPixels)(pixels, image.width(), out);
}

// Room for more of the band's stream; the stream deflates into it from where it stopped.
void makeRoom(isal_zstream& stream, std::string& deflated) {
    const std::size_t used = deflated.size() - stream.avail_out;
    if (stream.avail_out == 0) {
        deflated.resize(2 * deflated.size());
    }
    stream.next_out = reinterpret_cast<std::uint8_t*>(deflated.data() + used);
    stream.avail_out = static_cast<std::uint32_t>(deflated.size() - used);
}

// What a thread deflates its bands with: the deflater's working room, and a batch of filtered rows.
struct BandWork {
    std::vector<std::uint8_t> levelBuffer = std::vector<std::uint8_t>(ISAL_DEF_LVL1_DEFAULT);
    std::vector<unsigned char> rows;
};

// Hands the deflater the rows from y on, `count` of them, the band's last when `flush` says so.
bool deflateBatch(const QImage& image, int y, int count, isal_zstream& stream, Band& band, BandWork& work) {
    const std::size_t row = rowBytes(image);
    for (int n = 0; n < count; ++n) {
        filteredRow(image, y + n, work.rows.data() + static_cast<std::size_t>(n) * row);
    }
    const std::size_t size = static_cast<std::size_t>(count) * row;
    band.adler = isal_adler32(band.adler, work.rows.data(), size);
    band.filteredBytes += size;
    stream.next_in = work.rows.data();
    stream.avail_in = static_cast<std::uint32_t>(size);
    do {
        makeRoom(stream, band.deflated);
        if (isal_deflate(&stream) != COMP_OK) {
            return false;
        }
    } while (stream.avail_out == 0);
    return stream.avail_in == 0;
}

// How far the painting has come: the rows above the gate will not change. A band's thread waits
// here for each batch of its rows; an abandoned encoding lets every waiter go without its rows.
class RowGate {
public:
    void open(int row) {
        const std::lock_guard lock(mutex_);
        finalRows_ = std::max(finalRows_, row);
        changed_.notify_all();
    }
    void abandon() {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
        changed_.notify_all();
    }
    // False when the encoding was abandoned before the rows above `row` were final.
    bool await(int row) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this, row] { return finalRows_ >= row || abandoned_; });
        return finalRows_ >= row;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int finalRows_ = 0;
    bool abandoned_ = false;
};

// A raw deflate stream of the band's filtered rows. Each band but the last ends on a flush to a byte
// boundary, so that the next band's blocks follow it as they are; the last one ends the data.
bool deflateBand(const QImage& image, Band& band, bool last, BandWork& work, RowGate& gate) {
    const std::size_t row = rowBytes(image);
    const int batchRows = std::max(1, static_cast<int>(kRowsBytes / row));
    work.rows.resize(row * static_cast<std::size_t>(batchRows) + kRowSpare);
    // A chart deflates to about a tenth of its rows: an eighth seldom needs more room.
    band.deflated.resize(row * static_cast<std::size_t>(band.endRow - band.firstRow) / 8 + 4096);
    isal_zstream stream;
    isal_deflate_init(&stream);
    stream.level = kFastestLevel;
    stream.level_buf = work.levelBuffer.data();
    stream.level_buf_size = static_cast<std::uint32_t>(work.levelBuffer.size());
    stream.next_out = reinterpret_cast<std::uint8_t*>(band.deflated.data());
    stream.avail_out = static_cast<std::uint32_t>(band.deflated.size());
    for (int y = band.firstRow; y < band.endRow; y += batchRows) {
        const int count = std::min(batchRows, band.endRow - y);
        const bool bandEnds = y + count == band.endRow;
        stream.flush = bandEnds && !last ? SYNC_FLUSH : NO_FLUSH;
        stream.end_of_stream = bandEnds && last ? 1 : 0;
        if (!gate.await(y + count) || !deflateBatch(image, y, count, stream, band, work)) {
            return false;
        }
    }
    band.deflated.resize(band.deflated.size() - stream.avail_out);
    return !last || stream.internal_state.state == ZSTATE_END;
}

void appendBigEndian(std::string& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
}

std::string headerData(const QImage& image) {
    std::string header;
    appendBigEndian(header, static_cast<std::uint32_t>(image.width()));
    appendBigEndian(header, static_cast<std::uint32_t>(image.height()));
    constexpr char kEightBitRgb[] = {8, 2, 0, 0, 0}; // depth, colour type, compression, filter, interlace
    return header.append(kEightBitRgb, sizeof kEightBitRgb);
}

std::string resolutionData(const QImage& image) {
    std::string resolution;
    appendBigEndian(resolution, static_cast<std::uint32_t>(image.dotsPerMeterX()));
    appendBigEndian(resolution, static_cast<std::uint32_t>(image.dotsPerMeterY()));
    return resolution += '\1'; // the unit: metre
}

const std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
// The zlib stream's header: deflate, a 32 KB window, the fastest level.
const std::string_view kZlibHeader("\x78\x01", 2);
// A chunk's length, type and checksum around its data.
constexpr std::size_t kChunkFrame = 12;

// The checksum of every filtered row, from those of the bands.
std::uint32_t zlibChecksum(const std::array<Band, kBands>& bands) {
    uLong adler = adler32(0, nullptr, 0);
    for (const Band& band : bands) {
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.filteredBytes));
    }
    return static_cast<std::uint32_t>(adler);
}

// Writes the file into room made for all of it at once: the deflated bands are copied once, and a
// chunk's checksum is taken over its type and data where they stand.
class ChunkWriter {
public:
    explicit ChunkWriter(char* out) : out_(out) {}
    void put(std::string_view bytes) {
        std::memcpy(out_, bytes.data(), bytes.size());
        out_ += bytes.size();
    }
    void putBigEndian(std::uint32_t value) {
        const std::uint32_t big = qToBigEndian(value);
        std::memcpy(out_, &big, sizeof big);
        out_ += sizeof big;
    }
    void begin(std::string_view type, std::size_t length) {
        putBigEndian(static_cast<std::uint32_t>(length));
        typeStart_ = out_;
        put(type);
    }
    void end() {
        const auto* typeAndData = reinterpret_cast<const unsigned char*>(typeStart_);
        putBigEndian(crc32_gzip_refl(0, typeAndData, static_cast<std::uint64_t>(out_ - typeStart_)));
    }
    void chunk(std::string_view type, std::string_view data) {
        begin(type, data.size());
        put(data);
        end();
    }

private:
    char* out_;
    const char* typeStart_ = nullptr;
};

QByteArray pngOf(const QImage& image, const std::array<Band, kBands>& bands) {
    if (std::any_of(bands.begin(), bands.end(), [](const Band& band) { return band.failed; })) {
        return {};
    }
    try {
        const std::string header = headerData(image);
        const bool hasResolution = image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0;
        const std::string resolution = hasResolution ? resolutionData(image) : std::string();
        std::size_t zlibBytes = kZlibHeader.size() + sizeof(std::uint32_t);
        for (const Band& band : bands) {
            zlibBytes += band.deflated.size();
        }
        const std::size_t fileBytes = kSignature.size() + kChunkFrame + header.size() +
                                      (hasResolution ? kChunkFrame + resolution.size() : 0) + kChunkFrame + zlibBytes +
                                      kChunkFrame;
        QByteArray png(static_cast<qsizetype>(fileBytes), Qt::Uninitialized);
        ChunkWriter out(png.data());
        out.put(kSignature);
        out.chunk("IHDR", header);
        if (hasResolution) {
            out.chunk("pHYs", resolution);
        }
        out.begin("IDAT", zlibBytes);
        out.put(kZlibHeader);
        for (const Band& band : bands) {
            out.put(band.deflated);
        }
        out.putBigEndian(zlibChecksum(bands));
        out.end();
        out.begin("IEND", 0);
        out.end();
        return png;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace

// The bands are deflated on one thread more than the processor has cores: the ones started here,
// and the painter's own once the painting has ended.
struct PngEncoding::Bands {
    explicit Bands(const QImage& painted) : image(painted) {
        for (int band = 0; band < kBands; ++band) {
            bands[band].firstRow = image.height() * band / kBands;
            bands[band].endRow = image.height() * (band + 1) / kBands;
        }
    }

    void work() {
        try {
            BandWork room;
            for (int band = next++; band < kBands; band = next++) {
                bands[band].failed = !deflateBand(image, bands[band], band == kBands - 1, room, gate);
            }
        } catch (const std::bad_alloc&) {
            for (int band = next++; band < kBands; band = next++) {
                bands[band].failed = true;
            }
        }
    }

    void startHelpers() {
        const unsigned cores = std::thread::hardware_concurrency();
        const auto count = static_cast<std::size_t>(std::clamp(cores, 1U, static_cast<unsigned>(kBands - 1)));
        try {
            helpers.reserve(count);
            while (helpers.size() < count) {
                helpers.emplace_back([this] { work(); });
            }
        } catch (const std::system_error&) {
            // No more threads to be had: those started and the painter's share the bands.
        } catch (const std::bad_alloc&) {
            // Likewise without the room to keep another.
        }
    }

    const QImage& image;
    std::array<Band, kBands> bands;
    std::atomic<int> next{0};
    RowGate gate;
    std::vector<std::jthread> helpers; // declared last: joined before the rest goes
};

PngEncoding::PngEncoding(const QImage& image) : bands_(std::make_unique<Bands>(image)) {
    bands_->startHelpers();
}

PngEncoding::~PngEncoding() {
    bands_->gate.abandon();
}

void PngEncoding::rowsFinal(int row) {
    bands_->gate.open(row);
}

QByteArray PngEncoding::finish() {
    bands_->gate.open(bands_->image.height());
    bands_->work();
    bands_->helpers.clear();
    return pngOf(bands_->image, bands_->bands);
}

QByteArray pngFileBytes(const QImage& image) {
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) {
        return {};
    }
    PngEncoding encoding(rgb);
    return encoding.finish();
}

} // namespace vantrel
