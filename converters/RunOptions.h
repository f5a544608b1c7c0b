#pragma once

#include <QString>

/// The options of a tab, as a run sees them: a snapshot taken when the run starts, so that nothing
/// the user touches during the run changes it. Defaults are the window's initial state.
struct RunOptions {
    bool titulos = false;            // row 0 holds titles
    bool limpar = false;             // empty the table first
    bool ajustarPrecos = false;      // products: only adjust prices ("Somente ajustar Preços?")
    bool ajustarTributacao = false;  // products: only adjust tax data
    bool ajustarNcm = false;
    bool ajustarCest = false;
    bool ajustarPrecosServicos = false; // services tab's own "Somente ajustar Preços?"
    QString cstIpi = QStringLiteral("00");
    QString cstPis = QStringLiteral("06");
    QString cstCofins = QStringLiteral("06");
    int formatoData = 0;             // 0 AAAA-MM-DD, 1 DD/MM/AA, 2 DD/MM/AAAA
    QString codCidade;               // default IBGE city code, as typed
    bool simular = false;            // dry run: everything rolled back at the end
    bool continuar = false;          // a failing row is undone alone and the run goes on
};
