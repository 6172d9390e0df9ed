# Runs once inside the emulated PC while the image is built: makes the Wine
# prefix every later run starts from, set up like the test run's own prefix.
# It is a 32-bit Windows, as the product's users have: in a 64-bit prefix this
# Wine leaves the 32-bit system folder empty, and 32-bit programs then fail to
# load kernel32.dll.
set -eux
export WINEARCH=win32 WINEPREFIX=/opt/kalmor-wine WINEDEBUG=err+all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
Xvfb :1 -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
export DISPLAY=:1
# Under emulation Wine stops waiting for the boot to finish ("boot event wait
# timed out") and fails, but the boot carries on: wait for the wineserver to
# end and judge the prefix by its system folder.
wine wineboot --init || echo "wineboot ended with status $?"
wineserver -w
test -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll"
# Without a window manager Wine otherwise waits on each window it hides.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
# The caption buttons' glyphs and the editor's fonts, as on the host.
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Courier New" /t REG_SZ /d "Liberation Mono" /f
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Arial" /t REG_SZ /d "Liberation Sans" /f
wineserver -w
kill $xvfb
