// Enciphering and deciphering record images as the tracker's enciphered tables do: GOST gamma
// under an 8-character password, one call per record with the record number as context.

#include "dbf/XbDBFCrypt.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kRecords = 100000;
constexpr int kRecordSize = 500;

void RunTable(benchmark::State& state, TCryptMethod method, bool decipher)
{
    TXbDBFCrypt crypt;
    crypt.SetCryptMethod(method);
    crypt.SetPassword("Rq4Hvz7K");
    crypt.SetActive(true);
    std::vector<uint8_t> record(kRecordSize);
    for (int i = 0; i < kRecordSize; ++i) {
        record[static_cast<size_t>(i)] = static_cast<uint8_t>(' ' + i % 64);
    }
    for (auto _ : state) {
        for (uint32_t recNo = 1; recNo <= kRecords; ++recNo) {
            if (decipher) {
                crypt.Decrypt(recNo, record.data(), kRecordSize);
            } else {
                crypt.Encrypt(recNo, record.data(), kRecordSize);
            }
        }
        benchmark::DoNotOptimize(record.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kRecords} * kRecordSize);
}

void BM_GostEncrypt100kRecords(benchmark::State& state) { RunTable(state, TCryptMethod::cmGost, false); }
void BM_GostDecrypt100kRecords(benchmark::State& state) { RunTable(state, TCryptMethod::cmGost, true); }
void BM_XorGamma100kRecords(benchmark::State& state) { RunTable(state, TCryptMethod::cmXOR, false); }

}  // namespace

BENCHMARK(BM_GostEncrypt100kRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GostDecrypt100kRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XorGamma100kRecords)->Unit(benchmark::kMillisecond);
