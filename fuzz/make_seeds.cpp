// Writes a seed corpus for raster_fuzz: small pages of every row path, in
// both raster formats, each behind a route byte.
#include <cups/raster.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <fcntl.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    struct Kind {
        unsigned bits;
        cups_cspace_t space;
        unsigned colours;
    } kinds[] = {{1, CUPS_CSPACE_K, 1},
                 {2, CUPS_CSPACE_K, 1},
                 {8, CUPS_CSPACE_K, 1},
                 {8, CUPS_CSPACE_SW, 1},
                 {8, CUPS_CSPACE_RGB, 3}};
    int n = 0;
    for (const Kind& k : kinds)
        for (unsigned compression = 0; compression < 3; ++compression)
            for (cups_mode_t mode : {CUPS_RASTER_WRITE, CUPS_RASTER_WRITE_COMPRESSED})
                for (unsigned char route : {0x01, 0x00, 0x23}) {
                    std::string path = std::string(argv[1]) + "/seed" + std::to_string(n++);
                    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                    if (fd < 0) return 1;
                    unsigned char r = route;
                    if (k.colours == 3) r = static_cast<unsigned char>((route & 0x0F) | 0x20);
                    if (write(fd, &r, 1) != 1) return 1;
                    cups_raster_t* ras = cupsRasterOpen(fd, mode);
                    for (int page = 0; page < 2; ++page) {
                        cups_page_header2_t h;
                        std::memset(&h, 0, sizeof h);
                        h.HWResolution[0] = h.HWResolution[1] = 600;
                        h.cupsWidth = 21 + page * 8;
                        h.cupsHeight = 9;
                        h.cupsBitsPerColor = k.bits;
                        h.cupsBitsPerPixel = k.bits * k.colours;
                        h.cupsBytesPerLine = (h.cupsWidth * h.cupsBitsPerPixel + 7) / 8;
                        h.cupsColorSpace = k.space;
                        h.cupsCompression = compression;
                        h.NumCopies = 1;
                        h.PageSize[0] = 612;
                        h.PageSize[1] = page ? 792 : 700;
                        cupsRasterWriteHeader2(ras, &h);
                        unsigned char row[256];
                        for (unsigned y = 0; y < h.cupsHeight; ++y) {
                            for (unsigned i = 0; i < h.cupsBytesPerLine; ++i)
                                row[i] = static_cast<unsigned char>(y % 3 ? (i * 37 + y) : 0);
                            cupsRasterWritePixels(ras, row, h.cupsBytesPerLine);
                        }
                    }
                    cupsRasterClose(ras);
                    close(fd);
                }
    std::printf("%d seeds\n", n);
    return 0;
}
