# Image decoding on Linux: libpng (with zlib), libjpeg-turbo and giflib from Debian's packages
# (libpng-dev libjpeg-dev libgif-dev zlib1g-dev). Windows decodes with WIC instead.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(GIF REQUIRED)
find_package(ZLIB REQUIRED)
file(GLOB posix_image_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/posix_images/*.cpp)
target_sources(launcher_core PRIVATE ${posix_image_sources})
target_link_libraries(launcher_core PUBLIC PNG::PNG JPEG::JPEG GIF::GIF ZLIB::ZLIB)
