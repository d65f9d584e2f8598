/* The floor of the raster benchmark: reads every page header and row of a
   CUPS raster file with libcups and does nothing else. */
#include <cups/raster.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(int argc, char** argv) {
    int fd = argc > 1 ? open(argv[argc - 1], O_RDONLY) : 0;
    if (fd < 0) return 1;
    cups_raster_t* ras = cupsRasterOpen(fd, CUPS_RASTER_READ);
    cups_page_header2_t h;
    unsigned long pages = 0, sum = 0;
    while (cupsRasterReadHeader2(ras, &h)) {
        unsigned char* row = malloc(h.cupsBytesPerLine);
        for (unsigned y = 0; y < h.cupsHeight; ++y) {
            if (cupsRasterReadPixels(ras, row, h.cupsBytesPerLine) != h.cupsBytesPerLine) break;
            sum += row[0];
        }
        free(row);
        ++pages;
    }
    cupsRasterClose(ras);
    fprintf(stderr, "%lu pages (%lu)\n", pages, sum);
    return 0;
}
