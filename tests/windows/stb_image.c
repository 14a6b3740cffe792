/* stb_image, the independent PNG decoder that the PNG tests compare with:
 * Debian's libstb is built for Linux only, so the Windows tests compile it
 * from the header that libstb-dev ships. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
