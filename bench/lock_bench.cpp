// The login check: one PBKDF2-HMAC-SHA256 derivation at the stored number of
// rounds. Baseline in the same run: Qt's QPasswordDigestor doing the same
// derivation, the ratio showing what the OpenSSL derivation saves per login.
#include "lock/password_hash.h"

#include <QPasswordDigestor>

#include <benchmark/benchmark.h>

namespace {

void BM_LoginCheck(benchmark::State& state) {
    const QString stored = kuvano::lock::hashPassword(QStringLiteral("Secret台历"));
    for (auto _ : state)
        benchmark::DoNotOptimize(kuvano::lock::passwordMatches(stored, QStringLiteral("secret")));
}

void BM_QtPasswordDigestorBaseline(benchmark::State& state) {
    const QByteArray password = QStringLiteral("secret").toUtf8();
    const QByteArray salt(16, '\x5a');
    for (auto _ : state)
        benchmark::DoNotOptimize(QPasswordDigestor::deriveKeyPbkdf2(
            QCryptographicHash::Sha256, password, salt, kuvano::lock::kPasswordIterations, 32));
}

} // namespace

BENCHMARK(BM_LoginCheck)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_QtPasswordDigestorBaseline)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
