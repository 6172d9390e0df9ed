# Runs once inside the emulated PC while the image is built: makes the Wine
# prefix every later run starts from, set up like the test run's own prefix.
set -eux
export WINEPREFIX=/opt/kalmor-wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
Xvfb :1 -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
export DISPLAY=:1
wineboot --init
wineserver -w
# Without a window manager Wine otherwise waits on each window it hides.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
# The caption buttons' glyphs and the editor's fonts, as on the host.
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Courier New" /t REG_SZ /d "Liberation Mono" /f
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Arial" /t REG_SZ /d "Liberation Sans" /f
wineserver -w
kill $xvfb
