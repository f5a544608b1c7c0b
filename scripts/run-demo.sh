#!/usr/bin/env bash
# Starts the window from the folder it is run in. When that folder has no ConexaoFirebird.ini,
# a demo database is created from the sample ERP schema (embedded Firebird, no server) under
# ./demo and an ini file pointing at it is written first.
set -euo pipefail
build="$1"; shift || true
exe="$build/app/conversor"

if [ ! -f ConexaoFirebird.ini ]; then
  mkdir -p demo
  db="$(pwd)/demo/ERP_DEMO.FDB"
  if [ ! -f "$db" ]; then
    "$exe" criar-banco "$db"
  fi
  printf '%s\r\n' "$db" > ConexaoFirebird.ini
  echo "ConexaoFirebird.ini criado apontando para $db"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Sem tela (DISPLAY vazio): a janela abre num servidor X virtual (xvfb-run)." >&2
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$exe" "$@"
fi
exec "$exe" "$@"
