#!/usr/bin/perl
# Checks that a 32-bit binary runs on the baseline processor, MMX with the
# integer SSE extensions: no SSE2-or-later instruction (xmm integer or double
# forms, SSE3, SSSE3, SSE4, AVX) in code from a file that is not named for a
# level above mmx in platform/cpu_levels.def (_mmx files are baseline too). Code
# inlined from headers counts for the compilation unit it lands in; code
# without debug information (the runtime's) counts as baseline.
#   check_baseline_isa.pl OBJDUMP BINARY
use strict;
use warnings;
use FindBin;

my ($objdump, $binary) = @ARGV;
die "usage: $0 OBJDUMP BINARY\n" unless defined $binary;

# The levels above the baseline, from the one list of levels.
open(my $levels, "<", "$FindBin::Bin/../../platform/cpu_levels.def") or die "cpu_levels.def: $!\n";
my @names = map { /^XVF_CPU_LEVEL\(\w+, (\w+),/ ? $1 : () } <$levels>;
close($levels);
my ($baseline) = grep { $names[$_] eq "mmx" } 0 .. $#names;
die "cpu_levels.def names no level above mmx\n" unless defined $baseline && $baseline < $#names;
my $widerFile = qr/_(@{[join "|", @names[$baseline + 1 .. $#names]]})\.cpp$/;

sub Run {
  my ($args) = @_;
  my @lines = `$objdump $args "$binary"`;
  die "$objdump $args failed\n" if $? != 0;
  return @lines;
}

# Compilation units by .debug_info offset, then their address ranges.
my (%unitName, $unitOffset);
for (Run("--dwarf=info --dwarf-depth=1")) {
  $unitOffset = hex($1) if /Compilation Unit \@ offset (0x[0-9a-f]+|0)/;
  $unitName{$unitOffset} = $1 if /DW_AT_name\s*:.*?([^\s:]+)\s*$/ && defined $unitOffset && !exists $unitName{$unitOffset};
}
my @ranges;  # [start, end, unit name]
for (Run("--dwarf=aranges")) {
  $unitOffset = hex($1) if /Offset into \.debug_info:\s*(0x[0-9a-f]+|0)/;
  if (/^\s+([0-9a-f]{8})\s+([0-9a-f]{8})\s*$/ && hex($2) > 0) {
    push @ranges, [hex($1), hex($1) + hex($2), $unitName{$unitOffset} // "?"];
  }
}
@ranges = sort { $a->[0] <=> $b->[0] } @ranges;
die "no address ranges: the binary has no debug information\n" unless @ranges;

sub UnitAt {
  my ($address) = @_;
  my ($lo, $hi) = (0, $#ranges);
  while ($lo <= $hi) {
    my $mid = int(($lo + $hi) / 2);
    if ($address < $ranges[$mid][0]) { $hi = $mid - 1 }
    elsif ($address >= $ranges[$mid][1]) { $lo = $mid + 1 }
    else { return $ranges[$mid][2] }
  }
  return "(no debug information)";
}

# SSE (1) instructions that may name xmm registers on the baseline.
my %sse1 = map { $_ => 1 } qw(
  movaps movups movss movlps movhps movlhps movhlps movntps movmskps
  addps addss subps subss mulps mulss divps divss sqrtps sqrtss rcpps rcpss rsqrtps rsqrtss
  maxps maxss minps minss andps andnps orps xorps cmpps cmpss comiss ucomiss shufps
  unpcklps unpckhps cvtsi2ss cvtsi2ssl cvtss2si cvttss2si cvtpi2ps cvtps2pi cvttps2pi);
# Later instructions on mm registers or on none.
my %later = map { $_ => 1 } qw(
  paddq psubq pmuludq movq2dq movdq2q pshufb palignr phaddw phaddd phaddsw phsubw phsubd phsubsw
  pmaddubsw pmulhrsw psignb psignw psignd pabsb pabsw pabsd
  lfence mfence clflush movnti fisttp fisttps fisttpl fisttpll monitor mwait);

my ($function, $line, $checked, @faults) = ("?", "?", 0);
for (Run("-d -l --no-show-raw-insn")) {
  if (/^[0-9a-f]+ <(.+)>:$/) { $function = $1; next }
  if (/^(\S+:\d+)/) { $line = $1; next }
  next unless /^\s*([0-9a-f]+):\s+(\S+)\s*(.*)$/;
  # The linker places the exception tables (data) in .text: their bytes
  # decode as anything.
  next if $function =~ /^\.gcc_except_table/;
  my ($address, $mnemonic, $operands) = (hex($1), $2, $3);
  my $unit = UnitAt($address);
  next if $unit =~ $widerFile;
  ++$checked;
  my $cmp = $mnemonic =~ /^cmp\w*(ps|ss)$/;
  my $fault = $operands =~ /%[yz]mm/ || $later{$mnemonic} ||
              ($operands =~ /%xmm/ && !$sse1{$mnemonic} && !$cmp);
  push @faults, sprintf("  %08x %-10s %-30s in %s (%s, line %s)", $address, $mnemonic, $operands, $unit,
                        $function, $line) if $fault;
}
printf "%d baseline instructions checked, %d beyond MMX with integer SSE\n", $checked, scalar @faults;
if (@faults) {
  print "$_\n" for @faults[0 .. ($#faults < 49 ? $#faults : 49)];
  exit 1;
}
