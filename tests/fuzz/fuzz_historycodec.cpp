// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes either fail to read or read to entries that write and read back
// to the same entries and the same bytes. Bytes that a reference JSON parser
// rejects are never read as a history.
#include "historycodec.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdlib>

using quillet::history::HistoryCodec;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto items = HistoryCodec::decode(bytes);
    if (!items)
        return 0;
    if (!nlohmann::json::accept(data, data + size))
        std::abort();
    const auto written = HistoryCodec::encode(*items);
    if (!written)
        std::abort();
    const auto reread = HistoryCodec::decode(*written);
    if (!reread || *reread != *items || *HistoryCodec::encode(*reread) != *written)
        std::abort();
    return 0;
}
