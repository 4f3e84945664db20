// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QStringList>

#include <functional>

namespace quillet::bench {

// The main() of a benchmark that needs Qt's application object `App`. With
// --idle-seconds=N it runs `measureIdle(N)` instead of the benchmarks.
template <typename App>
int runBenchmarks(int argc, char **argv, const std::function<int(int)> &measureIdle = {})
{
    App app(argc, argv);
    for (const QString &argument : QCoreApplication::arguments()) {
        if (measureIdle && argument.startsWith(QStringLiteral("--idle-seconds=")))
            return measureIdle(argument.section(u'=', 1).toInt());
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace quillet::bench
