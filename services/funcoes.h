#pragma once

#include <QString>

/// The text clean-up functions every converter passes its cells through. Text is UTF-16; positions
/// count from 1 where a function speaks of positions.

/// The company name the conversion notices carry; the program assigns it nowhere, so it is empty.
extern QString SisNome_Empresa;

/// The text without the blanks, control characters (C0, DEL, C1), non-breaking spaces, other Unicode
/// white space and format characters at either end; letters, accented or not, stay. At most 255
/// characters are kept, counted from the first kept character.
QString Alltrim(const QString& Search);
/// The digits 0 to 9 of the text, in order.
QString OnlyNumber(const QString& AValue);
/// True for the characters 0 to 9 only.
bool CharIsNum(QChar C);
/// The text with "0" put in front until it has vQtd characters; never shortened.
QString ZeroEsquerda(const QString& vZero, int vQtd);
/// The number in fixed-point notation with xDecimals decimals and a point, filled with leading zeros
/// to exactly xWidth characters; a longer number keeps its last xWidth characters. Ties round half
/// away from zero; a negative number puts its sign before the zeros.
QString StrZero(double xValue, int xWidth, int xDecimals);
/// The last xWidth characters (all of them when xWidth is at least the length; none when <= 0).
QString Right(const QString& pString, int xWidth);
/// pString repeated xWidth times (empty when xWidth <= 0).
QString Replicate(const QString& pString, int xWidth);
/// Every occurrence of the single character VSVar1 replaced by VSVar2 (an empty VSVar2 removes it);
/// a VSVar1 of other than one character matches nothing.
QString TrocaCar(const QString& VSCpo, const QString& VSVar1, const QString& VSVar2);
/// Every single quote turned into a blank; the length never changes.
QString RetiraAspaSimples(const QString& Texto);
/// Full Unicode upper case (ação becomes AÇÃO), except that a letter whose capital Windows-1252
/// lacks keeps its case (µ stays µ), so that the text still fits the ERP's character set.
QString UpperCase(const QString& text);
