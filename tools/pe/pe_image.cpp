#include "tools/pe/pe_image.h"

#include <algorithm>
#include <stdexcept>

void pe_image::need(uint32_t rva, uint32_t length) const
{
    if (uint64_t{rva} + length > size_) throw std::out_of_range("pe_image: a range beyond the image");
}

uint8_t pe_image::at(uint32_t rva) const
{
    need(rva, 1);
    const auto found = pages_.find(rva & ~(page_size - 1));
    return found == pages_.end() ? 0 : found->second[rva & (page_size - 1)];
}

uint32_t pe_image::u32(uint32_t rva) const
{
    uint8_t word[4];
    if ((rva & (page_size - 1)) <= page_size - 4) {  // in one page: one look-up
        need(rva, 4);
        const auto found = pages_.find(rva & ~(page_size - 1));
        if (found == pages_.end()) return 0;
        std::copy_n(found->second.begin() + (rva & (page_size - 1)), 4, word);
    } else {
        for (uint32_t i = 0; i < 4; ++i) word[i] = at(rva + i);
    }
    return uint32_t{word[0]} | uint32_t{word[1]} << 8 | uint32_t{word[2]} << 16 | uint32_t{word[3]} << 24;
}

std::vector<uint8_t> pe_image::bytes(uint32_t rva, uint32_t length) const
{
    need(rva, length);
    std::vector<uint8_t> out(length, 0);
    for (auto p = pages_.lower_bound(rva & ~(page_size - 1)); p != pages_.end() && p->first < rva + length; ++p) {
        const uint32_t from = std::max(rva, p->first), to = std::min(rva + length, p->first + page_size);
        std::copy(p->second.begin() + (from - p->first), p->second.begin() + (to - p->first), out.begin() + (from - rva));
    }
    return out;
}

void pe_image::write(uint32_t rva, const uint8_t* data, uint32_t length)
{
    need(rva, length);
    for (uint32_t done = 0; done < length;) {
        const uint32_t at_rva = rva + done, start = at_rva & ~(page_size - 1);
        const uint32_t count = std::min(length - done, start + page_size - at_rva);
        auto& stored = pages_[start];  // a new page is zero
        std::copy(data + done, data + done + count, stored.begin() + (at_rva - start));
        done += count;
    }
}

void pe_image::write32(uint32_t rva, uint32_t value)
{
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                              static_cast<uint8_t>(value >> 24)};
    write(rva, bytes, 4);
}

void pe_image::add32(uint32_t rva, uint32_t delta)
{
    if ((rva & (page_size - 1)) > page_size - 4) {
        write32(rva, u32(rva) + delta);
        return;
    }
    need(rva, 4);
    uint8_t* word = pages_[rva & ~(page_size - 1)].data() + (rva & (page_size - 1));
    const uint32_t value = (uint32_t{word[0]} | uint32_t{word[1]} << 8 | uint32_t{word[2]} << 16 | uint32_t{word[3]} << 24) + delta;
    for (int i = 0; i < 4; ++i) word[i] = static_cast<uint8_t>(value >> (8 * i));
}
