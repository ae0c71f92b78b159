# The layer check: the logic libraries stay free of Qt Widgets and Qt Gui,
# and they depend one way.
#
# orv_check_layers(<target>...) takes the logic libraries in their order
# (lowest first) and fails the configuration when one of them links
#   - Qt6::Widgets or Qt6::Gui, or
#   - a library that comes after it in that order,
# directly or through any library it links (transitively, through imported
# targets too); and when the widget library <target>_ui of one of them
# links the widget library of a later one the same way. Targets that do not
# exist are skipped.

# Collects into out_var the targets target links, transitively.
function(_orv_linked_closure target out_var)
  set(seen "")
  set(todo "${target}")
  while(todo)
    list(POP_FRONT todo t)
    if(NOT TARGET "${t}" OR "${t}" IN_LIST seen)
      continue()
    endif()
    list(APPEND seen "${t}")
    get_target_property(aliased "${t}" ALIASED_TARGET)
    if(aliased)
      list(APPEND todo "${aliased}")
    endif()
    set(links "")
    get_target_property(type "${t}" TYPE)
    foreach(prop LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      if(type STREQUAL "INTERFACE_LIBRARY" AND prop STREQUAL "LINK_LIBRARIES")
        continue()
      endif()
      get_target_property(v "${t}" ${prop})
      if(v)
        list(APPEND links ${v})
      endif()
    endforeach()
    foreach(l IN LISTS links)
      # $<LINK_ONLY:x>, $<BUILD_INTERFACE:x> and the like: the target inside.
      string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" l "${l}")
      string(REGEX REPLACE "^::@\\(.*\\);?" "" l "${l}")
      if(l AND NOT l MATCHES "[<>]")
        list(APPEND todo "${l}")
      endif()
    endforeach()
  endwhile()
  set(${out_var} "${seen}" PARENT_SCOPE)
endfunction()

function(orv_check_layers)
  foreach(lib IN LISTS ARGN)
    if(NOT TARGET ${lib})
      continue()
    endif()
    _orv_linked_closure(${lib} closure)
    foreach(bad Qt6::Widgets Qt6::Gui Qt::Widgets Qt::Gui)
      if(bad IN_LIST closure)
        message(FATAL_ERROR "Layer check: ${lib} links ${bad} (directly or through another library). "
                            "Logic libraries stay free of Qt Widgets and Gui; put widget code into ${lib}_ui.")
      endif()
    endforeach()
  endforeach()
  # One way: nothing links what comes after it.
  set(later "${ARGN}")
  list(JOIN later " " order)
  foreach(lib IN LISTS ARGN)
    list(POP_FRONT later)
    foreach(suffix "" "_ui")
      if(NOT TARGET ${lib}${suffix})
        continue()
      endif()
      _orv_linked_closure(${lib}${suffix} closure)
      foreach(up IN LISTS later)
        if("${up}${suffix}" IN_LIST closure)
          message(FATAL_ERROR "Layer check: ${lib}${suffix} links ${up}${suffix} (directly or through another "
                              "library), which comes after it in the order ${order}. A library links only those "
                              "before it; move what both need below ${lib}.")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
