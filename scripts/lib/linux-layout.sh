# Sourced by scripts/package and scripts/install: lays Quillpost out for a Linux desktop
# from the build, the same for the Debian package and the per-user install.

_qp_layout_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
_qp_layout_root=$(dirname "$(dirname "$_qp_layout_lib")")

# The text $1 as a sed replacement that gives it back unchanged (a home folder may hold
# the characters \, | and &).
_qp_sed_text() {
  local text=${1//\\/\\\\}
  text=${text//|/\\|}
  printf '%s' "${text//&/\\&}"
}

# qp_lay_out FOLDER EXEC AUTOSTART: under FOLDER (a /usr or ~/.local tree) the launcher
# lib/quillpost/quillpost with its helpers and the two binaries, the command bin/quillpost
# linking to it, the desktop entry running EXEC and the icon in the hicolor theme; and the
# same entry as the autostart file AUTOSTART. Files 0644, programs and folders 0755.
qp_lay_out() {
  local folder=$1 exec=$2 autostart=$3
  local build="$_qp_layout_root/build" lib="$1/lib/quillpost" size
  install -d -m 0755 "$lib" "$folder/bin" "$folder/share/applications" "$(dirname "$autostart")"
  install -m 0644 "$build/bin/qpost.exe" "$build/bin/Corkbase2.dll" "$_qp_layout_lib/launch.sh" \
    "$_qp_layout_lib/wine-session.sh" "$lib/"
  install -m 0755 "$_qp_layout_lib/quillpost" "$_qp_layout_lib/system-tray" "$lib/"
  ln -sfn ../lib/quillpost/quillpost "$folder/bin/quillpost"
  # TryExec keeps a login entry left behind by a removed package from starting anything.
  sed -e "s|@EXEC@|$(_qp_sed_text "$exec")|" -e "s|@TRYEXEC@|$(_qp_sed_text "${exec//\"/}")|" \
    "$_qp_layout_root/installer/linux/quillpost.desktop.in" \
    >"$folder/share/applications/quillpost.desktop"
  # The desktop's settings switch a login entry off (GNOME reads this key for it).
  { cat "$folder/share/applications/quillpost.desktop"; echo "X-GNOME-Autostart-enabled=true"; } >"$autostart"
  chmod 0644 "$folder/share/applications/quillpost.desktop" "$autostart"
  for size in 16 32 48 256; do
    install -D -m 0644 "$build/Note Library/SysTray/icons/quillpost-$size.png" \
      "$folder/share/icons/hicolor/${size}x$size/apps/quillpost.png"
  done
}
