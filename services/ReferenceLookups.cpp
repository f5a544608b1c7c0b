#include "ReferenceLookups.h"

#include "CodeAllocator.h"
#include "Database.h"
#include "Query.h"
#include "Readings.h"
#include "funcoes.h"

namespace {

const QString kCategoryPrefix = QStringLiteral("C:");
const QString kUnitPrefix = QStringLiteral("U:");

} // namespace

ReferenceLookups::ReferenceLookups(Database& database, CodeAllocator& codes) : m_db(database), m_codes(codes)
{
}

QString ReferenceLookups::getCategoria(const QString& Categoria)
{
    QString trimmed = Alltrim(Categoria);
    if (trimmed.isEmpty())
        return {};
    // A number names the category by its code; the sheet's code is taken on trust.
    if (Readings::wholeNumber(trimmed, 0) != 0)
        return trimmed;

    const QString name = UpperCase(Categoria);
    const auto cached = m_categories.constFind(name);
    if (cached != m_categories.constEnd())
        return *cached;

    Query q(m_db, QStringLiteral("QCategoria"));
    q.open(QStringLiteral("SELECT * FROM CATEGORIA WHERE Nome_Categoria = ?"), {name});
    QString code;
    if (!q.isEmpty()) {
        code = q.asText(QStringLiteral("CODIGO_CATEGORIA"));
    } else {
        const int next =
            m_codes.NovoCodigo(QStringLiteral("CATEGORIA"), QString(), QStringLiteral("CODIGO_CATEGORIA"));
        q.append();
        q.setInteger(QStringLiteral("CODIGO_CATEGORIA"), next);
        q.setText(QStringLiteral("NOME_CATEGORIA"), name);
        q.post();
        q.apply();
        code = QString::number(next);
        ++m_categoriesCreated;
        m_createdInRow << kCategoryPrefix + name;
        if (m_createdListener)
            m_createdListener(Created::Categoria, name);
    }
    m_categories.insert(name, code);
    return code;
}

QString ReferenceLookups::getUnidade(const QString& Sigla_Unidade)
{
    const QString abbreviation = UpperCase(Sigla_Unidade);
    const auto cached = m_units.constFind(abbreviation);
    if (cached != m_units.constEnd())
        return *cached;

    Query q(m_db, QStringLiteral("QUnidade"));
    q.open(QStringLiteral("SELECT * FROM UNIDADE WHERE SIGLA_UNIDADE = ?"), {abbreviation});
    QString stored;
    if (!q.isEmpty()) {
        stored = q.asText(QStringLiteral("SIGLA_UNIDADE"));
    } else {
        const int next =
            m_codes.NovoCodigo(QStringLiteral("UNIDADE"), QString(), QStringLiteral("CODIGO_UNIDADE"));
        q.append();
        q.setInteger(QStringLiteral("CODIGO_UNIDADE"), next);
        // Stored upper-cased, so that the look-up above finds it whatever case a later row uses.
        q.setText(QStringLiteral("SIGLA_UNIDADE"), abbreviation);
        q.setText(QStringLiteral("DESCRICAO_UNIDADE"), UpperCase(unitName(abbreviation)));
        q.post();
        q.apply();
        stored = abbreviation;
        ++m_unitsCreated;
        m_createdInRow << kUnitPrefix + abbreviation;
        if (m_createdListener)
            m_createdListener(Created::Unidade, abbreviation);
    }
    m_units.insert(abbreviation, stored);
    return stored;
}

QString ReferenceLookups::unitName(const QString& upperAbbreviation)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("AR"), QStringLiteral("ARROBA")},
        {QStringLiteral("BA"), QStringLiteral("BANDEJA")},
        {QStringLiteral("BL"), QStringLiteral("BLOCO")},
        {QStringLiteral("BR"), QStringLiteral("BARRA")},
        {QStringLiteral("CB"), QStringLiteral("CABECA")},
        {QStringLiteral("CL"), QStringLiteral("CILINDRO")},
        {QStringLiteral("CX"), QStringLiteral("CAIXA")},
        {QStringLiteral("CR"), QStringLiteral("CARTELA")},
        {QStringLiteral("CJ"), QStringLiteral("CONJUNTO")},
        {QStringLiteral("DZ"), QStringLiteral("DUZIA")},
        {QStringLiteral("FA"), QStringLiteral("FARDO")},
        {QStringLiteral("FR"), QStringLiteral("FRASCO")},
        {QStringLiteral("GL"), QStringLiteral("GALAO")},
        {QStringLiteral("GR"), QStringLiteral("GARRAFA")},
        {QStringLiteral("JG"), QStringLiteral("JOGO")},
        {QStringLiteral("KG"), QStringLiteral("KILO")},
        {QStringLiteral("KT"), QStringLiteral("KIT")},
        {QStringLiteral("LA"), QStringLiteral("LATA")},
        {QStringLiteral("LT"), QStringLiteral("LITRO")},
        {QStringLiteral("MT"), QStringLiteral("METRO")},
        {QStringLiteral("M"), QStringLiteral("METRO")},
        {QStringLiteral("M3"), QStringLiteral("METRO C")},
        {QStringLiteral("M2"), QStringLiteral("METRO Q")},
        {QStringLiteral("ML"), QStringLiteral("MILHEIRO")},
        {QStringLiteral("PA"), QStringLiteral("PASTILHA")},
        {QStringLiteral("PC"), QStringLiteral("PEÇA")},
        {QStringLiteral("PR"), QStringLiteral("PAR")},
        {QStringLiteral("PE"), QStringLiteral("1 PE")},
        {QStringLiteral("PT"), QStringLiteral("POTE")},
        {QStringLiteral("RL"), QStringLiteral("ROLO")},
        {QStringLiteral("SC"), QStringLiteral("SACO")},
        {QStringLiteral("TN"), QStringLiteral("TONELADA")},
        {QStringLiteral("TB"), QStringLiteral("TUBO")},
        {QStringLiteral("UN"), QStringLiteral("UNIDADE")},
        {QStringLiteral("VD"), QStringLiteral("VIDRO")},
    };
    return names.value(upperAbbreviation);
}

void ReferenceLookups::rowStarted()
{
    m_createdInRow.clear();
}

void ReferenceLookups::rowUndone()
{
    // The rows were rolled back with the grid row's savepoint; the cache must not outlive them, nor
    // the report count them.
    for (const QString& key : std::as_const(m_createdInRow)) {
        const QString bare = key.mid(2);
        if (key.startsWith(kCategoryPrefix)) {
            if (m_categories.remove(bare))
                --m_categoriesCreated;
        } else if (m_units.remove(bare)) {
            --m_unitsCreated;
        }
    }
    m_createdInRow.clear();
}
