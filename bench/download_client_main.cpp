// vg-download-client: downloads one file with the program's own HttpDownloadFile, for the
// download benchmark. Usage: vg-download-client HOST-STRING PATH LOCAL-FILE
#include "net/http_download.h"
#include "util/text_encoding.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s HOST-STRING PATH LOCAL-FILE\n", argv[0]);
        return 2;
    }
    const std::uint32_t result =
        vg::net::HttpDownloadFile(vg::util::FromUtf8(argv[1]), vg::util::FromUtf8(argv[2]),
                                  vg::util::FromUtf8(argv[3]), 0, 0);
    if (result != 0) {
        std::fprintf(stderr, "download failed: %u\n", result);
        return 1;
    }
    return 0;
}
