// Texture image decoding: libjpeg, libpng and our own BMP, DDS and Targa readers; and the two encoders the
// heads generator writes its images with.
#include "views/heads/model_files/d3d_texture.h"

#include "engine/util/file_utils.h"
#include "views/heads/model_files/bmp_image.h"
#include "views/heads/model_files/dds_image.h"

#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <png.h>

namespace {

constexpr int kMaxSide = kMaxTextureSide;

struct jpeg_failure {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegFail(j_common_ptr info) {
    auto* f = reinterpret_cast<jpeg_failure*>(info->err);
    (*info->err->format_message)(info, f->message);
    std::longjmp(f->jump, 1);
}
void JpegQuiet(j_common_ptr, int) {}

bool DecodeJpeg(const unsigned char* data, std::size_t size, d3d_texture& out, std::string* error) {
    jpeg_decompress_struct info;
    jpeg_failure fail;
    info.err = jpeg_std_error(&fail.mgr);
    fail.mgr.error_exit = JpegFail;
    fail.mgr.emit_message = JpegQuiet;
    fail.message[0] = 0;
    // Everything the jump may skip lives outside this frame's registers.
    std::vector<uint8_t>* pixels = &out.rgba;
    if (setjmp(fail.jump)) {
        jpeg_destroy_decompress(&info);
        if (error) *error = std::string("JPEG: ") + fail.message;
        pixels->clear();
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width == 0 || info.output_height == 0 || info.output_width > kMaxSide ||
        info.output_height > kMaxSide || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        if (error) *error = "JPEG: unsupported image size";
        return false;
    }
    const int w = static_cast<int>(info.output_width), h = static_cast<int>(info.output_height);
    std::vector<uint8_t> row(static_cast<std::size_t>(w) * 3);
    pixels->assign(static_cast<std::size_t>(w) * h * 4, 255);
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        uint8_t* dst = pixels->data() + static_cast<std::size_t>(y) * w * 4;
        for (int x = 0; x < w; ++x) std::memcpy(dst + 4 * x, row.data() + 3 * x, 3);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    out.width = w;
    out.height = h;
    return true;
}

bool DecodePng(const unsigned char* data, std::size_t size, d3d_texture& out, std::string* error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) {
        if (error) *error = std::string("PNG: ") + image.message;
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
        png_image_free(&image);
        if (error) *error = "PNG: unsupported image size";
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    out.rgba.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        if (error) *error = std::string("PNG: ") + image.message;
        out.rgba.clear();
        return false;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    return true;
}

// Named as a Targa image (".tga", ".tpic", ".vda", ".icb", ".vst", any case).
bool HasTargaName(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "tga" || ext == "tpic" || ext == "vda" || ext == "icb" || ext == "vst";
}

}  // namespace

bool DecodeTarga(const unsigned char* data, std::size_t size, d3d_texture& out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = std::string("Targa: ") + why;
        out.rgba.clear();
        return false;
    };
    if (size < 18) return fail("file shorter than its header");
    const int id_length = data[0], colour_map_type = data[1], type = data[2];
    const int map_length = data[5] | (data[6] << 8), map_entry_bits = data[7];
    const int width = data[12] | (data[13] << 8), height = data[14] | (data[15] << 8);
    const int bits = data[16], descriptor = data[17];
    if (colour_map_type != 0) return fail("colour-mapped images are not supported");
    const bool rle = type == 10 || type == 11;
    const bool grey = type == 3 || type == 11;
    if (type != 2 && type != 3 && type != 10 && type != 11) return fail("unsupported image type");
    if (grey ? bits != 8 : (bits != 24 && bits != 32)) return fail("unsupported pixel size");
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return fail("unsupported image size");
    std::size_t pos = 18 + static_cast<std::size_t>(id_length) + static_cast<std::size_t>(map_length) * ((map_entry_bits + 7) / 8);
    if (pos > size) return fail("file ends inside its header");
    const int bpp = bits / 8;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    out.rgba.assign(count * 4, 255);
    auto put = [&](std::size_t i, const unsigned char* p) {
        uint8_t* d = out.rgba.data() + 4 * i;
        if (grey) {
            d[0] = d[1] = d[2] = p[0];
        } else {
            d[0] = p[2];
            d[1] = p[1];
            d[2] = p[0];
            if (bpp == 4) d[3] = p[3];
        }
    };
    std::size_t i = 0;
    while (i < count) {
        if (!rle) {
            if (size - pos < static_cast<std::size_t>(bpp)) return fail("pixel data ends early");
            put(i++, data + pos);
            pos += bpp;
            continue;
        }
        if (pos >= size) return fail("pixel data ends early");
        const int header = data[pos++];
        const std::size_t run = static_cast<std::size_t>(header & 0x7F) + 1;
        if (run > count - i) return fail("a run reaches past the image");
        if (header & 0x80) {
            if (size - pos < static_cast<std::size_t>(bpp)) return fail("pixel data ends early");
            for (std::size_t k = 0; k < run; ++k) put(i++, data + pos);
            pos += bpp;
        } else {
            if ((size - pos) / bpp < run) return fail("pixel data ends early");
            for (std::size_t k = 0; k < run; ++k, pos += bpp) put(i++, data + pos);
        }
    }
    // Rows are stored bottom to top unless the descriptor says otherwise.
    if (!(descriptor & 0x20)) {
        const std::size_t stride = static_cast<std::size_t>(width) * 4;
        for (int y = 0; y < height / 2; ++y)
            std::swap_ranges(out.rgba.begin() + y * stride, out.rgba.begin() + (y + 1) * stride,
                             out.rgba.begin() + (height - 1 - y) * stride);
    }
    out.width = width;
    out.height = height;
    return true;
}

std::shared_ptr<d3d_texture> DecodeTexture(const unsigned char* data, std::size_t size, std::string* error) {
    if (size == 0) {
        if (error) *error = "it is empty";
        return nullptr;
    }
    auto tex = std::make_shared<d3d_texture>();
    bool ok;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        ok = DecodeJpeg(data, size, *tex, error);
    } else if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) {
        ok = DecodePng(data, size, *tex, error);
    } else if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) {
        ok = DecodeDds(data, size, *tex, error);
    } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        ok = DecodeBmp(data, size, *tex, error);
    } else {
        // Targa files carry no signature at their start; the header checks stand in for one.
        ok = DecodeTarga(data, size, *tex, error);
    }
    if (!ok) return nullptr;
    tex->file_bytes.assign(data, data + size);
    return tex;
}

bool ReadHeadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error) {
    std::string text;
    std::string why;
    if (!ReadRegularFile(path, kMaxHeadFileBytes, &text, &why)) {
        bytes.clear();
        if (error) *error = "cannot read " + why;
        return false;
    }
    try {
        bytes.assign(text.begin(), text.end());
    } catch (const std::bad_alloc&) {
        bytes.clear();
        if (error) *error = "cannot read \"" + path + "\": out of memory";
        return false;
    }
    return true;
}

std::shared_ptr<d3d_texture> LoadTextureFile(const std::string& path, std::string* error) {
    std::string text, why;
    if (!ReadRegularFile(path, kMaxHeadFileBytes, &text, &why)) {
        if (error) *error = ReasonWithoutPath(why, path);
        return nullptr;
    }
    std::shared_ptr<d3d_texture> texture =
        DecodeTexture(reinterpret_cast<const unsigned char*>(text.data()), text.size(), &why);
    // Targa images have no signature, so bytes that no other decoder claims reach its reader:
    // only a file named as one is called a damaged Targa image.
    if (!texture && why.rfind("Targa: ", 0) == 0 && !HasTargaName(path))
        why = "it is not an image this program reads (JPEG, PNG, DDS, BMP or Targa)";
    if (!texture && error) *error = why;
    return texture;
}

std::vector<uint8_t> EncodeTarga(int width, int height, const uint8_t* rgba, bool with_alpha) {
    std::vector<uint8_t> out(18, 0);
    out[2] = 2;
    out[12] = static_cast<uint8_t>(width);
    out[13] = static_cast<uint8_t>(width >> 8);
    out[14] = static_cast<uint8_t>(height);
    out[15] = static_cast<uint8_t>(height >> 8);
    out[16] = with_alpha ? 32 : 24;
    out[17] = 0x20 | (with_alpha ? 8 : 0);  // top-to-bottom rows
    for (int i = 0; i < width * height; ++i) {
        const uint8_t* p = rgba + 4 * i;
        out.push_back(p[2]);
        out.push_back(p[1]);
        out.push_back(p[0]);
        if (with_alpha) out.push_back(p[3]);
    }
    return out;
}

std::vector<uint8_t> EncodeJpeg(int width, int height, const uint8_t* rgba, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        const uint8_t* src = rgba + static_cast<std::size_t>(info.next_scanline) * width * 4;
        for (int x = 0; x < width; ++x) std::memcpy(row.data() + 3 * x, src + 4 * x, 3);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}
