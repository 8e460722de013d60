#include "tests/oracle/lzhuf_oracle.h"

#include <cstring>

namespace {

struct Oracle {
    uint16_t freq[568], child[567], parent[851];
    uint8_t ring[4096];
    unsigned ringPos;
    uint16_t bitBuffer;
    uint8_t bitCount;
    uint32_t packedBudget;
    uint32_t zeroBytes;  // given since the stored bytes ran out
    // ReadPtr
    uint8_t block[16384];
    int16_t unread;
    uint16_t index;
    // WritePtr
    uint8_t buffer[16384];
    int16_t fill;
    uint16_t limit;
    bool flag;
    uint32_t flushed;

    const std::vector<uint8_t>* file;
    uint64_t pos;
    OracleResult* r;

    uint8_t ReadPtr(uint32_t allowed) {
        if (unread < 1) {
            uint32_t n = allowed < 16384u ? allowed : 16384u;
            r->reads.push_back(n);
            uint64_t left = pos < file->size() ? file->size() - pos : 0;
            uint32_t got = (uint32_t)(n < left ? n : left);
            std::memcpy(block, file->data() + pos, got);
            pos += got;
            unread = (int16_t)got;
            index = 0;
        }
        uint8_t b = block[index];
        ++index;
        --unread;
        return b;
    }

    void WritePtr(uint8_t c, uint32_t total) {
        if ((uint32_t)fill < total) buffer[fill++] = c;
        if (!flag) {
            if (flushed >= total) flushed = 0;
            uint32_t left = total - flushed;
            limit = (uint16_t)(left < 16384u ? left : 16384u);
            flag = true;
        }
        if (fill >= limit) {
            r->writes.push_back((uint32_t)fill);
            r->output.insert(r->output.end(), buffer, buffer + fill);
            flushed += (uint32_t)fill;
            fill = 0;
            flag = false;
        }
    }

    void TopUp() {
        while (bitCount <= 8) {
            uint8_t b = 0;
            if (packedBudget != 0) {
                b = ReadPtr(packedBudget);
                --packedBudget;
            } else {
                ++zeroBytes;
            }
            bitBuffer = (uint16_t)(bitBuffer | (uint16_t)(b << (8 - bitCount)));
            bitCount = (uint8_t)(bitCount + 8);
        }
    }
    unsigned ReadBit() {
        TopUp();
        unsigned b = bitBuffer >> 15;
        bitBuffer = (uint16_t)(bitBuffer << 1);
        --bitCount;
        return b;
    }
    unsigned ReadBits8() {
        TopUp();
        unsigned b = bitBuffer >> 8;
        bitBuffer = (uint16_t)(bitBuffer << 8);
        bitCount = (uint8_t)(bitCount - 8);
        return b;
    }

    void InitTree() {
        for (int s = 0; s < 284; ++s) {
            freq[s] = 1;
            child[s] = (uint16_t)(567 + s);
            parent[567 + s] = (uint16_t)s;
        }
        for (int j = 284; j <= 566; ++j) {
            int i = 2 * (j - 284);
            freq[j] = (uint16_t)(freq[i] + freq[i + 1]);
            child[j] = (uint16_t)i;
            parent[i] = parent[i + 1] = (uint16_t)j;
        }
        freq[567] = 0xFFFF;
        parent[566] = 0;
    }

    void RebuildTree() {
        int j = 0;
        for (int i = 0; i <= 566; ++i)
            if (child[i] >= 567) {
                freq[j] = (uint16_t)((freq[i] + 1) / 2);
                child[j] = child[i];
                ++j;
            }
        for (j = 284; j <= 566; ++j) {
            int i = 2 * (j - 284);
            uint16_t w = (uint16_t)(freq[i] + freq[i + 1]);
            int k = j - 1;
            while (w < freq[k]) --k;
            ++k;
            for (int m = j; m > k; --m) {
                freq[m] = freq[m - 1];
                child[m] = child[m - 1];
            }
            freq[k] = w;
            child[k] = (uint16_t)i;
        }
        for (int i = 0; i <= 566; ++i) {
            int k = child[i];
            if (k >= 567) {
                parent[k] = (uint16_t)i;
            } else {
                parent[k] = (uint16_t)i;
                parent[k + 1] = (uint16_t)i;
            }
        }
    }

    void UpdateTree(int s) {
        if (freq[566] == 0x8000) RebuildTree();
        int n = parent[567 + s];
        do {
            ++freq[n];
            uint16_t w = freq[n];
            if (w > freq[n + 1]) {
                int l = n + 1;
                while (w > freq[l + 1]) ++l;
                freq[n] = freq[l];
                freq[l] = w;
                int a = child[n], b = child[l];
                child[l] = (uint16_t)a;
                child[n] = (uint16_t)b;
                parent[a] = (uint16_t)l;
                if (a < 567) parent[a + 1] = (uint16_t)l;
                parent[b] = (uint16_t)n;
                if (b < 567) parent[b + 1] = (uint16_t)n;
                n = l;
            }
            n = parent[n];
        } while (n != 0);
    }

    int DecodeSymbol() {
        int n = child[566];
        while (n < 567) n = child[n + ReadBit()];
        int s = n - 567;
        UpdateTree(s);
        return s;
    }

    static void HighCode(unsigned b, unsigned* u, unsigned* n) {
        if (b <= 0x1F) *u = 0, *n = 3;
        else if (b <= 0x4F) *u = 1 + (b - 0x20) / 16, *n = 4;
        else if (b <= 0x8F) *u = 4 + (b - 0x50) / 8, *n = 5;
        else if (b <= 0xBF) *u = 12 + (b - 0x90) / 4, *n = 6;
        else if (b <= 0xEF) *u = 24 + (b - 0xC0) / 2, *n = 7;
        else *u = 48 + (b - 0xF0), *n = 8;
    }

    unsigned DecodeDistance() {
        unsigned b = ReadBits8(), u, n;
        HighCode(b, &u, &n);
        for (unsigned k = 0; k + 2 < n; ++k) b = b * 2 + ReadBit();
        return u * 64 + (b % 64);
    }

    uint32_t DecodeStream(uint32_t total, uint32_t budget) {
        bitCount = 0;
        bitBuffer = 0;
        packedBudget = budget;
        if (total == 0) return 0;
        InitTree();
        std::memset(ring, 0x20, 4066);
        ringPos = 4066;
        int32_t count = 0;
        while (count < (int32_t)total) {
            int s = DecodeSymbol();
            unsigned d = s < 256 ? 0 : DecodeDistance();
            // Past the stored bytes by more than the two bytes of look-ahead:
            // a broken stream, which stops here.
            if (zeroBytes > 2 && 8 * zeroBytes - bitCount > 16) {
                r->overrun = true;
                break;
            }
            if (s < 256) {
                WritePtr((uint8_t)s, total);
                ring[ringPos] = (uint8_t)s;
                ringPos = (ringPos + 1) % 4096;
                ++count;
            } else {
                unsigned src = (ringPos + 4096 * 2 - d - 1) % 4096;
                int length = s - 253;
                for (int k = 0; k < length; ++k) {
                    uint8_t c = ring[src % 4096];
                    WritePtr(c, total);
                    ring[ringPos] = c;
                    ringPos = (ringPos + 1) % 4096;
                    ++src;
                }
                count += length;
            }
        }
        return (uint32_t)count;
    }
};

}  // namespace

OracleResult OracleDecode(const std::vector<uint8_t>& file, uint32_t offset, uint32_t unpackedSize,
                          uint32_t storedSize) {
    OracleResult r;
    static Oracle o;
    std::memset(&o, 0, sizeof o);
    o.file = &file;
    o.pos = offset;
    o.r = &r;
    r.produced = o.DecodeStream(unpackedSize, storedSize);
    return r;
}
