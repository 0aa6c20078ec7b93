# Fails when a logic library (core, link, messaging, net, lifecycle, softtnc) includes a window, the
# program, or a header of Qt's widget, GUI or multimedia modules: the logic must run with no screen.
set(forbidden
  "#[ \t]*include[ \t]*[\"<](ui|app)/"
  "#[ \t]*include[ \t]*<Qt(Widgets|Gui|Multimedia|PrintSupport)"
  "#[ \t]*include[ \t]*<Q(Widget|Dialog|MainWindow|Label|PushButton|AbstractButton|LineEdit|TextEdit|PlainTextEdit|ListWidget|ComboBox|CheckBox|RadioButton|GroupBox|MessageBox|Menu|MenuBar|Action|Application|GuiApplication|Color|Font|Palette|Pixmap|Image|Printer|PrintDialog|Clipboard|DesktopServices|SoundEffect|MediaPlayer|AudioOutput|TextDocument|TextCursor|KeyEvent|MouseEvent|Screen)>"
)
set(failures "")
foreach(layer core link messaging net lifecycle softtnc)
  file(GLOB_RECURSE files "${SRC}/${layer}/*.h" "${SRC}/${layer}/*.cpp")
  foreach(f ${files})
    file(STRINGS "${f}" lines REGEX "#[ \t]*include")
    foreach(line ${lines})
      foreach(pattern ${forbidden})
        if(line MATCHES "${pattern}")
          string(APPEND failures "  ${f}: ${line}\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "Logic code includes window or GUI headers:\n${failures}")
endif()
message(STATUS "layering: the logic libraries include no window or GUI header")
