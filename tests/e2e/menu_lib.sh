# Key presses that reach a menu item by its captions, counted from the menu as the program
# builds it, so that a new item changes this table and not every script that uses the menu.
#
# MENU_LAYOUT: the window's menu in order, two blanks of indent per submenu level, separators
# left out (the keyboard skips them). After " |" the condition under which an item shows:
# stats (-stats), advdebug (-advdebug), help (a help file beside the program); "!client" an
# item the keyboard skips in client mode (disabled there). "*sets*" stands for the config
# sets the program lists, MENU_SETS (one caption a line, in the program's order). Keep it in
# step with the code that builds the menu.
MENU_LAYOUT='&Display Items
Layout
  Ali&gn
    Left
    Center
    Right
  &Font
  Background Color
  &Transparent Background
  Display Processor Usage in Icon
  &Hide Icon
  Use RQ Icons
  Always &On Top
  Degree of &Alpha Transparency
  Loc&k Placement
  &Pin To Desktop
  Show Dragging Handle
  Set &Width and Height
Networking
  Act as &Server
  Act as Uptimes Client |!client
  Act as Web Service/Server
Uptime Stats |stats
  Average &Uptime
  &Longest Uptime
Config
  Bypass confirm
  Edit Startup Parameter
  &Exclude Process from Percentage
  Flash Scroll Lock if Net is in use
  Reset to Default Settings (Requires Restart)
  Set Icon HotKey
  Set Suspend HotKey
  Update &Interval
  AutoSave XML
Fast Config
  *sets*
  Save Current Config...
Internet
  Update
    Check For Update...
    Update Settings
Save SmartLog File |advdebug
Help |help
A&bout
E&xit'

# The conditions that hold for the program under test, e.g. MENU_SHOWN="advdebug stats".
MENU_SHOWN=${MENU_SHOWN:-}
# The captions of the config sets in the "configs" folder beside the program under test.
MENU_SETS=${MENU_SETS:-}

# The table with the config sets in place of "*sets*".
menu_table() {
    local line set
    while IFS= read -r line; do
        if [[ $line == *"*sets*" ]]; then
            while IFS= read -r set; do
                [ -n "$set" ] && printf '%s%s\n' "${line%%\**}" "$set"
            done <<<"$MENU_SETS"
        else
            printf '%s\n' "$line"
        fi
    done <<<"$MENU_LAYOUT"
}

# menu_keys CAPTION...: the keys that open each submenu on the path and choose the last item,
# from a menu that has just opened with no item active. Captions are given as the table
# writes them ("&" included).
menu_keys() {
    local -a path=("$@")
    local depth=0 keys="" want=${path[0]} count=0 line indent text cond
    while IFS= read -r line; do
        indent=${line%%[! ]*}
        text=${line#"$indent"}
        cond=""
        if [[ $text == *" |"* ]]; then
            cond=${text##* |}
            text=${text% |*}
        fi
        local level=$((${#indent} / 2))
        ((level < depth)) && break # left the submenu without finding the item
        ((level > depth)) && continue
        if [[ $cond == !* ]]; then
            [[ " $MENU_SHOWN " == *" ${cond#!} "* ]] && continue
        elif [[ -n $cond && " $MENU_SHOWN " != *" $cond "* ]]; then
            continue
        fi
        count=$((count + 1))
        if [[ $text == "$want" ]]; then
            # A menu opened by the pointer has no active item; a submenu opened by Right starts
            # on its first item.
            local downs=$count
            ((depth > 0)) && downs=$((count - 1))
            for ((i = 0; i < downs; i++)); do keys+="Down "; done
            if ((depth + 1 == ${#path[@]})); then
                echo "${keys}Return"
                return 0
            fi
            keys+="Right "
            depth=$((depth + 1))
            want=${path[$depth]}
            count=0
        fi
    done < <(menu_table)
    echo "menu_keys: no item '${path[*]}' in the menu table" >&2
    return 1
}
