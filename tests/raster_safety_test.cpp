// The tool on files written as an attacker would write them for the GDAL path: whatever they
// name, claim or hold, it reads no file nobody named, makes no connection, leaves no stray
// file, keeps within its memory bound and ends with one line.

#include <arpa/inet.h>
#include <cpl_conv.h>
#include <fcntl.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "raster_files.h"
#include "test_support.h"
#include "tool_process.h"

namespace quorvel::test {
namespace {

// A TCP listener on the loopback interface that never answers; connections wait in its
// backlog to be counted.
class LoopbackListener {
 public:
  LoopbackListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(fd_, 64), 0);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackListener() { ::close(fd_); }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  [[nodiscard]] std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  int connections() {
    for (int client; (client = ::accept(fd_, nullptr, nullptr)) >= 0;) {
      ::close(client);
      ++accepted_;
    }
    return accepted_;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  int accepted_ = 0;
};

// An empty GeoTIFF created with the given creation options: its blocks are never written,
// so a file of a few hundred bytes may claim blocks of gigabytes.
void writeEmptyTiff(const std::filesystem::path& path, int width, int height, GDALDataType type,
                    std::vector<const char*> options) {
  options.push_back("SPARSE_OK=TRUE");
  options.push_back(nullptr);
  GDALAllRegister();
  GDALDatasetH dataset = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), width, height, 1,
                                    type, const_cast<char**>(options.data()));
  ASSERT_NE(dataset, nullptr);
  GDALClose(dataset);
}

// The first chunks of an RGB PNG of the given size, interlaced, with an empty image stream:
// enough for GDAL to open it and learn how it must decode it.
Bytes interlacedPngHeader(std::uint32_t width, std::uint32_t height) {
  Bytes bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  const auto chunk = [&](const char* type, const Bytes& data) {
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    const auto putBig = [&](std::uint32_t value) {
      for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    putBig(static_cast<std::uint32_t>(data.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    putBig(static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
  };
  Bytes header;
  for (const std::uint32_t value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8)
      header.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  header.insert(header.end(), {8, 2, 0, 0, 1});  // 8 bits, RGB, deflate, no filter, Adam7
  chunk("IHDR", header);
  chunk("IDAT", {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
  chunk("IEND", {});
  return bytes;
}

// A VRT of width x height bytes whose one band reads source.
std::string vrtOver(const std::string& source, int size = 51) {
  const std::string side = std::to_string(size);
  return "<VRTDataset rasterXSize=\"" + side + "\" rasterYSize=\"" + side +
         "\"><VRTRasterBand dataType=\"Byte\" band=\"1\"><SimpleSource><SourceFilename>" + source +
         "</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand>"
         "</VRTDataset>\n";
}

void writeText(const std::filesystem::path& path, const std::string& text) {
  writeFile(path, Bytes(text.begin(), text.end()));
}

TEST(RasterSafety, HostileFilesAreRefusedWithoutConnectionOrStrayFile) {
  LoopbackListener listener;
  const TempDir dir;
  writeTerrain(dir / "t", uniformTerrain(51, 51, 100, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 1, 1}));
  writeText(dir / "secret.txt", std::string(51 * 51, 's'));
  writeText(dir / "mem.png", vrtOver("MEM:::DATAPOINTER=0x1000,PIXELS=51,LINES=51"));
  writeText(dir / "raw.png",
            "<VRTDataset rasterXSize=\"51\" rasterYSize=\"51\"><VRTRasterBand dataType=\"Byte\" "
            "band=\"1\" subClass=\"VRTRawRasterBand\"><SourceFilename>secret.txt</SourceFilename>"
            "<PixelOffset>1</PixelOffset><LineOffset>51</LineOffset></VRTRasterBand>"
            "</VRTDataset>\n");
  writeText(dir / "curl.png", vrtOver("/vsicurl/" + listener.url() + "/a.tif"));
  // A VRT's own text may stand for a source's name, escaped.
  std::string inlineVrt;
  for (const char c : vrtOver("mem.png")) {
    inlineVrt += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
  }
  writeText(dir / "inline.vrt", vrtOver(inlineVrt));
  writeText(dir / "wms.png",
            "<GDAL_WMS><Service name=\"WMS\"><ServerUrl>" + listener.url() +
                "/wms?</ServerUrl><Layers>x</Layers></Service><DataWindow><UpperLeftX>-180"
                "</UpperLeftX><UpperLeftY>90</UpperLeftY><LowerRightX>180</LowerRightX>"
                "<LowerRightY>-90</LowerRightY><SizeX>51</SizeX><SizeY>51</SizeY></DataWindow>"
                "</GDAL_WMS>\n");
  ASSERT_EQ(::mkfifo((dir / "fifo.tif").c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "folder.tif");
  writeEmptyTiff(dir / "tile.tif", 51, 51, GDT_Float64,
                 {"TILED=YES", "BLOCKXSIZE=16384", "BLOCKYSIZE=16384", "COMPRESS=DEFLATE"});
  writeEmptyTiff(dir / "strip.tif", 5001, 5001, GDT_Float64,
                 {"BLOCKYSIZE=5001", "COMPRESS=DEFLATE"});
  writeFile(dir / "interlaced.png", interlacedPngHeader(5001, 5001));
  std::vector<double> huge(51 * 51, 3.0);
  huge[100] = 1e300;
  huge[101] = -1e300;
  writeRaster(dir / "huge.tif", Raster("GTiff", 51, 51, 1, GDT_Float64, huge));
  std::string grid = "ncols 51\nnrows 51\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
  for (int i = 0; i < 51 * 51; ++i) grid += i == 60 ? "inf " : i == 70 ? "1e400 " : "2.5 ";
  writeText(dir / "inf.asc", grid);
  // Read as they should be: a subdataset name and a path into an archive, of local files.
  writeRaster(dir / "flat.tif",
              Raster("GTiff", 51, 51, 1, GDT_Int16, std::vector<double>(51 * 51, 9)));
  ASSERT_EQ(CPLCopyFile(("/vsizip/" + (dir / "flat.zip").string() + "/in/flat.tif").c_str(),
                        (dir / "flat.tif").c_str()),
            0);

  const std::string cannotOpen = "erreur lors de l'ouverture du fichier ";
  const std::string noMemory = "erreur: m\xe9moire insuffisante pour ";
  const std::string sizeLine = "largeur: 1, hauteur: 1 (en blocFile)";
  struct Case {
    std::vector<std::string> options;  // before the prefix t
    std::string lastLine;
    std::string reason;  // part of the line on standard error
  };
  const Case cases[] = {
      {{"--alt", "mem.png"}, cannotOpen + "mem.png", "virtual dataset (VRT)"},
      {{"--trusted-inputs", "--alt", "mem.png"}, cannotOpen + "mem.png", "the source MEM:::"},
      {{"--alt", "raw.png"}, cannotOpen + "raw.png", "virtual dataset (VRT)"},
      {{"--alt", "curl.png"}, cannotOpen + "curl.png", "virtual dataset (VRT)"},
      {{"--trusted-inputs", "--alt", "inline.vrt"}, cannotOpen + "inline.vrt", "the source <VRT"},
      {{"--alt", "wms.png"}, cannotOpen + "wms.png", "web service"},
      {{"--trusted-inputs", "--alt", "wms.png"}, cannotOpen + "wms.png", "web service"},
      {{"--alt", "/vsicurl/" + listener.url() + "/a.tif"},
       cannotOpen + "/vsicurl/" + listener.url() + "/a.tif",
       "network name"},
      {{"--difmat", listener.url() + "/a.png"},
       cannotOpen + listener.url() + "/a.png",
       "network name"},
      {{"--alt", "/vsistdin/"}, cannotOpen + "/vsistdin/", "not a local regular file"},
      {{"--alt", "/vsigzip"}, cannotOpen + "/vsigzip", "No such file"},
      {{"--alt", "/vsizip/secret.zip/a.tif"},
       cannotOpen + "/vsizip/secret.zip/a.tif",
       "no local regular file"},
      {{"--alt", "folder.tif"}, cannotOpen + "folder.tif", "a directory"},
      {{"--ambmat", "fifo.tif"}, cannotOpen + "fifo.tif", "a named pipe"},
      {{"--alt", "tile.tif"}, noMemory + "tile.tif", "blocks of 16384 x 16384 pixels"},
      {{"--alt", "strip.tif"}, noMemory + "strip.tif", "-co TILED=YES"},
      {{"--diflight", "interlaced.png"}, noMemory + "interlaced.png", "an interlaced PNG"},
      {{"--alt", "huge.tif"}, "erreur: huge.tif donne des hauteurs hors limites", "1e+300"},
      {{}, "erreur: talt.bmp donne des hauteurs hors limites", "lower the z scale factor"},
      {{"--alt", "inf.asc"}, "erreur: inf.asc contient 2 pixels sans altitude", "column 9, row 1"},
      {{"--alt", "a\nb\x1b.bmp"}, cannotOpen + "a\\nb\\x1b.bmp", "a\\nb\\x1b.bmp: No such"},
      {{"--alt", "GTIFF_DIR:1:flat.tif"}, sizeLine, ""},
      {{"--alt", "/vsizip/flat.zip/in/flat.tif"}, sizeLine, ""},
  };
  const Bytes earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
  writeFile(dir / "t.map", earlier);
  const std::vector<std::string> before = directoryNames(dir.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lastLine);
    writeFile(dir / "t.map", earlier);
    std::vector<std::string> arguments = c.options;
    arguments.insert(arguments.end(), {"t", "0", "0", "1", c.options.empty() ? "1e38" : "1"});
    const RunResult run = runTool(arguments, dir.path());
    EXPECT_EQ(run.signalNumber, 0);
    const std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines.back(), c.lastLine);
    EXPECT_EQ(run.exitCode, c.lastLine == sizeLine ? 0 : 1);
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_EQ(splitLines(run.err).size(), c.reason.empty() ? 0u : 1u) << run.err;
    if (run.exitCode != 0) {
      EXPECT_EQ(readFile(dir / "t.map"), earlier);
    }
    EXPECT_EQ(directoryNames(dir.path()), before);
  }
  EXPECT_EQ(listener.connections(), 0);
}

// Altitudes that differ along both axes, in picture order (rows top first).
std::vector<double> slope(int width, int height) {
  std::vector<double> samples;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) samples.push_back((x * 3 + y * 7) % 200 - 50);
  }
  return samples;
}

TEST(RasterSafety, TrustedVrtMosaicGivesTheMapOfTheSameGeoTiff) {
  const TempDir dir;
  writeTerrain(dir / "t", uniformTerrain(51, 51, 0, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {9, 9, 9}));
  const std::vector<double> whole = slope(51, 51);
  writeRaster(dir / "whole.tif", Raster("GTiff", 51, 51, 1, GDT_Int16, whole));
  std::filesystem::create_directory(dir / "tiles");
  writeRaster(dir / "tiles/north.tif",
              Raster("GTiff", 51, 26, 1, GDT_Int16, {whole.begin(), whole.begin() + 51 * 26}));
  writeRaster(dir / "tiles/south.tif",
              Raster("GTiff", 51, 25, 1, GDT_Int16, {whole.begin() + 51 * 26, whole.end()}));
  const auto source = [](const std::string& name, int top, int rows) {
    const std::string window =
        "xOff=\"0\" yOff=\"0\" xSize=\"51\" ySize=\"" + std::to_string(rows) + "\"";
    return "<SimpleSource><SourceFilename relativeToVRT=\"1\">" + name +
           "</SourceFilename><SourceBand>1</SourceBand><SrcRect " + window +
           "/><DstRect xOff=\"0\" yOff=\"" + std::to_string(top) + "\" xSize=\"51\" ySize=\"" +
           std::to_string(rows) + "\"/></SimpleSource>";
  };
  writeText(dir / "tiles/mosaic.vrt",
            "<VRTDataset rasterXSize=\"51\" rasterYSize=\"51\"><VRTRasterBand "
            "dataType=\"Int16\" band=\"1\">" +
                source("north.tif", 0, 26) + source("south.tif", 26, 25) +
                "</VRTRasterBand></VRTDataset>\n");
  const RunResult single = runTool({"--alt", "whole.tif", "t", "1", "1", "2", "0.5"}, dir.path());
  ASSERT_EQ(single.exitCode, 0) << single.out;
  const Bytes expected = readFile(dir / "t.map");
  std::filesystem::remove(dir / "t.map");
  const RunResult untrusted =
      runTool({"--alt", "tiles/mosaic.vrt", "t", "1", "1", "2", "0.5"}, dir.path());
  EXPECT_EQ(splitLines(untrusted.out).back(),
            "erreur lors de l'ouverture du fichier tiles/mosaic.vrt");
  EXPECT_FALSE(std::filesystem::exists(dir / "t.map"));
  const RunResult trusted = runTool(
      {"--trusted-inputs", "--alt", "tiles/mosaic.vrt", "t", "1", "1", "2", "0.5"}, dir.path());
  EXPECT_EQ(trusted.out, single.out);
  EXPECT_EQ(trusted.exitCode, 0);
  EXPECT_TRUE(readFile(dir / "t.map") == expected) << "the maps differ";
}

// An altitude GeoTIFF cut short once the tool has it open: a read error, never a signal.
TEST(RasterSafety, FileCutWhileReadGivesTheOpenMessage) {
  const TempDir dir;
  writeTerrain(dir / "t", uniformTerrain(51, 51, 0, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {9, 9, 9}));
  const Raster raster("GTiff", 2001, 2001, 1, GDT_Float64, slope(2001, 2001));
  const std::filesystem::path name = dir / "cut.tif";
  int cut = 0;
  for (int attempt = 0; attempt < 5 && cut == 0; ++attempt) {
    writeRaster(name, raster);
    ToolProcess tool({"--alt", "cut.tif", "t"}, dir.path());
    const std::filesystem::path descriptors = "/proc/" + std::to_string(tool.pid()) + "/fd";
    const auto opened = [&] {
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(descriptors, error)) {
        if (std::filesystem::read_symlink(entry.path(), error) == name) return true;
      }
      return false;
    };
    if (waitFor(tool, opened, std::chrono::seconds(20))) std::filesystem::resize_file(name, 4096);
    const RunResult run = tool.wait();
    EXPECT_EQ(run.signalNumber, 0);
    ASSERT_EQ(run.exitCode, 1) << run.out;
    const std::string last = splitLines(run.out).back();
    if (last == "erreur lors de l'ouverture du fichier cut.tif") {
      ++cut;
    } else {  // read before the cut: the colour images are too small for it
      EXPECT_EQ(last, "erreur: tDifMat.bmp est plus petit que cut.tif");
    }
  }
  EXPECT_GT(cut, 0) << "never cut while it was read";
}

// Under an address space of what a run on a 51 x 51 GeoTIFF takes, plus the pixels and
// 64 MiB: block layouts that GDAL would decode whole are refused before reading, and a tiled
// file of the same size is read.
TEST(RasterSafety, BlockLayoutsStayWithinTheMemoryBound) {
  if (underAddressSanitizer()) GTEST_SKIP() << "the sanitizer reserves more than the limit";
  const TempDir dir;
  writeTerrain(dir / "t", uniformTerrain(51, 51, 0, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {9, 9, 9}));
  writeRaster(dir / "small.tif", Raster("GTiff", 51, 51, 1, GDT_Float64, slope(51, 51)));
  // What GDAL and its libraries take: the least of these limits a small run works under.
  unsigned long base = 0;
  for (unsigned long limit = 128ul << 20; limit <= 2048ul << 20 && base == 0; limit += 32ul << 20) {
    ProcessOptions options;
    options.addressSpaceLimit = limit;
    if (runTool({"--alt", "small.tif", "t"}, dir.path(), options).exitCode == 0) base = limit;
  }
  ASSERT_NE(base, 0u);
  writeEmptyTiff(dir / "tile.tif", 51, 51, GDT_Float64,
                 {"TILED=YES", "BLOCKXSIZE=16384", "BLOCKYSIZE=16384", "COMPRESS=DEFLATE"});
  writeEmptyTiff(dir / "strip.tif", 2001, 2001, GDT_Float64,
                 {"BLOCKYSIZE=2001", "COMPRESS=DEFLATE"});
  writeEmptyTiff(dir / "tiled.tif", 2001, 2001, GDT_Float64, {"TILED=YES", "COMPRESS=DEFLATE"});
  struct Case {
    const char* name;
    unsigned long pixels;
    std::string lastLine;
  };
  const Case cases[] = {
      {"tile.tif", 51 * 51, "erreur: m\xe9moire insuffisante pour tile.tif"},
      {"strip.tif", 2001 * 2001, "erreur: m\xe9moire insuffisante pour strip.tif"},
      // Read whole; the colour images are then too small for it.
      {"tiled.tif", 2001 * 2001, "erreur: tDifMat.bmp est plus petit que tiled.tif"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessOptions options;
    options.addressSpaceLimit = base + c.pixels * (12 + 8) + (64ul << 20);
    const RunResult run = runTool({"--alt", c.name, "t"}, dir.path(), options);
    EXPECT_EQ(splitLines(run.out).back(), c.lastLine) << run.err;
    EXPECT_EQ(run.exitCode, 1);
  }
}

// While GDAL loads, memory for the altitude's samples is made ready from the file's length
// alone. A file far longer than the samples it keeps (here 160 MB of bytes after a 51 x 51
// GeoTIFF, which GDAL never reads) must not raise the peak beyond the bound's share.
TEST(RasterSafety, SamplesMadeReadyStayWithinTheMemoryBound) {
  if (underAddressSanitizer()) GTEST_SKIP() << "the sanitizer's shadow memory blurs the peak";
  const TempDir dir;
  writeTerrain(dir / "t", uniformTerrain(51, 51, 0, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {9, 9, 9}));
  writeRaster(dir / "small.tif", Raster("GTiff", 51, 51, 1, GDT_Float64, slope(51, 51)));
  std::filesystem::copy_file(dir / "small.tif", dir / "long.tif");
  std::filesystem::resize_file(dir / "long.tif", 160ul << 20);  // a hole: no disk taken
  const RunResult small = runTool({"--alt", "small.tif", "t"}, dir.path());
  ASSERT_EQ(small.exitCode, 0) << small.out;
  const Bytes expected = readFile(dir / "t.map");
  const RunResult padded = runTool({"--alt", "long.tif", "t"}, dir.path());
  ASSERT_EQ(padded.exitCode, 0) << padded.out;
  EXPECT_TRUE(readFile(dir / "t.map") == expected) << "the maps differ";
  // The kept samples (20 KB) and 32 MiB, and 8 MiB for what varies from run to run.
  EXPECT_LE(padded.peakKib, small.peakKib + (40l << 10));
}

}  // namespace
}  // namespace quorvel::test
