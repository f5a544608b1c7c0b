#pragma once

#include "Amount.h"
#include "Converter.h"

#include <QHash>

#include <memory>
#include <optional>

class Query;

/// The columns of the product layout, from 0 (spreadsheet column A).
namespace ProductColumns {
enum : int { A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z };
} // namespace ProductColumns

/// The rules the product and service converters share: readings of the product layout's cells
/// and the company-1 price row.
namespace ProductRules {

/// The stored unit for a trimmed unit cell: the exact, case-sensitive normalisation table ("PT30"
/// gives "PT", "METRO" "MT", empty text "UN"); any other text stays as it is.
QString normalizedUnit(const QString& trimmedCell);

/// The trimmed name with the double quote, "%", "º", "´", "`" and "ƒ" removed.
QString cleanedName(const QString& cellC);

/// The name followed by the trimmed complements that are not empty, each after a blank, upper-cased.
QString completedName(const QString& name, const QString& cellX, const QString& cellY);

/// The digits of an NCM cell, or "99999999" when it holds none.
QString ncmOf(const QString& cellE);

/// What is wrong with an NCM cell that `ncmOf` keeps or replaces although it is not the 8 digits
/// of an NCM; empty for a cell of 8 digits and for an empty cell, which takes the default.
QString ncmProblem(const QString& cellE);

/// Warns on the current row when column E's NCM is malformed (see `ncmProblem`).
void checkNcm(RunContext& context);

/// Seven digits with leading zeros for a text of digits; a longer number keeps its last seven.
QString sevenDigits(const QString& digits, const RegionalSettings& regional);

/// The margin as the mark-up over cost, (sale / cost - 1) x 100, when both prices are above 0;
/// nothing otherwise, and the margin then stays as it was.
std::optional<Amount> markUp(Amount sale, Amount cost);

/// Creates the company-1 price row of `code` from columns D, F and G unless one exists already;
/// false when one existed and was left as it was. `prices` is the query the row is looked up and
/// written on.
bool writePriceRecord(Query& prices, RunContext& context, int code);

/// Rewrites the prices of the existing company-1 price row of `code` from columns D, F and G: the
/// sale price always, the cost and the margin of column G only when above 0, then the mark-up.
/// False, and nothing written, when the product has no such row.
bool adjustPrices(Query& prices, RunContext& context, int code);

/// The skip reason of a code text that gives no code above 0.
QString noCodeReason(const QString& digits);

} // namespace ProductRules

/// Products: each row with a new code and a new name becomes a PRODUTO row filled from columns B to
/// Z, with its company-1 price row in PRODUTO_EMPRESA. With "ajustar preços" or "ajustar
/// tributação" set, existing products get their reference and prices, or their NCM and CEST,
/// rewritten instead, and nothing is inserted.
class ProductConverter : public Converter {
public:
    ProductConverter();
    ~ProductConverter() override;
    QString kind() const override { return QStringLiteral("produtos"); }
    int columnsRead() const override { return 26; }
    QString closingSuffix() const override { return QStringLiteral(" Produtos Importados!"); }
    void setUp(RunContext& context) override;
    void convertRow(RunContext& context, int row) override;

private:
    /// Appends and writes the new product; returns the row's note (a picture left out).
    QString insertProduct(RunContext& context, int code);
    void adjustProduct(RunContext& context, int code);
    std::optional<QString> cestOfNcm(const QString& ncm);
    std::optional<qint64> taxTypeOfCst(const QString& cst);

    Database* m_db = nullptr;
    std::unique_ptr<Query> m_cdsProduto;
    std::unique_ptr<Query> m_cdsPreco;
    std::unique_ptr<Query> m_cdsTabCest;
    std::unique_ptr<Query> m_cdsTipoTributacao;
    // TAB_CEST and TIPOTRIBUTACAO are only read, so one look-up per distinct value serves the run.
    QHash<QString, std::optional<QString>> m_cestByNcm;
    QHash<QString, std::optional<qint64>> m_taxTypeByCst;
};
