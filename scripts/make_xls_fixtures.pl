#!/usr/bin/perl
# Writes the .xls workbooks the loader's tests read, with Spreadsheet::WriteExcel (Debian package
# libspreadsheet-writeexcel-perl):
#   perl scripts/make_xls_fixtures.pl OUTDIR   ->  OUTDIR/dados.xls, vazia.xls, grafico.xls
use strict;
use warnings;
use utf8;
use Spreadsheet::WriteExcel;

my $dir = shift or die "usage: $0 OUTDIR\n";

my $wb = Spreadsheet::WriteExcel->new("$dir/dados.xls") or die "cannot write $dir/dados.xls: $!\n";
my $ws = $wb->add_worksheet('Dados');
my $date     = $wb->add_format(num_format => 'dd/mm/yyyy');
my $dateTime = $wb->add_format(num_format => 'dd/mm/yyyy hh:mm');
my $seconds  = $wb->add_format(num_format => 'dd/mm/yyyy hh:mm:ss');
my $time     = $wb->add_format(num_format => 'hh:mm:ss');
my $real     = $wb->add_format(num_format => '"R$" #,##0.00');
my $border   = $wb->add_format(border => 1);

$ws->write_number(0, 0, 7);
$ws->write_number(0, 1, 1234.5);
$ws->write_string(0, 2, 'Ação');
$ws->write_number(0, 3, 0.30000000000000004);
$ws->write_string(0, 4, '007');

$ws->write_number(1, 0, 45306, $date);
$ws->write_number(1, 1, 45306.75, $dateTime);
$ws->write_number(1, 2, 0.5, $time);
$ws->write_number(1, 3, 12.345678, $real);
$ws->write_number(1, 4, 60, $date);
$ws->write_number(1, 5, 45306 + 1.6 / 86400, $seconds);

# Formulas with the results Excel would have cached.
$ws->write_formula(2, 0, '=1+1', undef, 2);
$ws->write_formula(2, 1, '="a"&"b"', undef, 'ab');
$ws->write_formula(2, 2, '=1=1', undef, 'TRUE');
$ws->write_formula(2, 3, '=1/0', undef, '#DIV/0!');

$ws->write_number(3, 0, -0.5);
$ws->write_number(3, 1, 1e20);
$ws->write_number(3, 2, 123456789012345);
$ws->write_formula(3, 3, '=A2', $date, 45306);

# Records WriteExcel has no method for, in the form Excel writes them: a logical value and an
# error value (BOOLERR), several integers and hundredths in one MULRK, a float in an RK.
$ws->_append(pack('vv', 0x0205, 8) . pack('vvvCC', 2, 4, 0x0F, 1, 0));
$ws->_append(pack('vv', 0x0205, 8) . pack('vvvCC', 2, 5, 0x0F, 0x2A, 1));
$ws->_append(pack('vv', 0x00BD, 18) . pack('vvvVvVv', 4, 0, 0x0F, (5 << 2) | 2, 0x0F, (125 << 2) | 3, 1));
$ws->_append(pack('vv', 0x027E, 10) . pack('vvvV', 4, 2, 0x0F, 0x3FE00000));

# A formatted blank beyond the data: it makes the used area 6 columns by 8 rows.
$ws->write_blank(7, 5, $border);

my $other = $wb->add_worksheet('Outra');
$other->write_string(0, 0, 'não é a primeira');
$other->write_number(20, 10, 1);
$other->activate();
$wb->close() or die "cannot close $dir/dados.xls\n";

my $empty = Spreadsheet::WriteExcel->new("$dir/vazia.xls") or die "cannot write $dir/vazia.xls: $!\n";
$empty->add_worksheet('Vazia');
$empty->add_worksheet('Cheia')->write_number(3, 3, 4);
$empty->close() or die "cannot close $dir/vazia.xls\n";

# A chart sheet as the first tab: the first worksheet comes after it.
my $charts = Spreadsheet::WriteExcel->new("$dir/grafico.xls") or die "cannot write $dir/grafico.xls: $!\n";
my $chart = $charts->add_chart(type => 'column', name => 'Gráfico');
my $data = $charts->add_worksheet('Dados');
$data->write_string(0, 0, 'valor');
$data->write_number(1, 0, 5);
$chart->add_series(values => '=Dados!$A$2:$A$2');
$charts->close() or die "cannot close $dir/grafico.xls\n";
