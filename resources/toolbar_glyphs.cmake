# The toolbar's pictures, read by dialogs_rc.cmake: one 20 x 20 drawing per
# glyph number (a button's command id less 50), a character per pixel.
#   .  transparent        K  black       D  dark grey    G  grey
#   g  light grey         W  white       Y  yellow       y  dark yellow
#   B  blue               b  light blue  N  navy         R  red
#   E  green              e  light green n  brown        o  tan
# Dark pixels are the ones a greyed button keeps, so every drawing has a
# dark outline.

# Select all: a block list with every row highlighted.
set(glyph0
  "...................."
  "...................."
  ".KKKKKKKKKKKKKKKKKK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KWNNNNNNNNNNNNNNWK."
  ".KWNWWWWWWWWWNNNNWK."
  ".KWNNNNNNNNNNNNNNWK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KWNNNNNNNNNNNNNNWK."
  ".KWNWWWWWWWWNNNNNWK."
  ".KWNNNNNNNNNNNNNNWK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KWNNNNNNNNNNNNNNWK."
  ".KWNWWWWWWWWWWNNNWK."
  ".KWNNNNNNNNNNNNNNWK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KKKKKKKKKKKKKKKKKK."
  "...................."
  "...................."
  "....................")

# Unselect all: the same list with no row highlighted, the caret's row
# outlined by dots.
set(glyph1
  "...................."
  "...................."
  ".KKKKKKKKKKKKKKKKKK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KWWDDDDDDDDDWWWWWK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KWKWKWKWKWKWKWKWWK."
  ".KWWWWWWWWWWWWWWKWK."
  ".KWKWDDDDDDDDWWWWWK."
  ".KWWWWWWWWWWWWWWKWK."
  ".KWKWKWKWKWKWKWKWWK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KWWDDDDDDDDDDWWWWK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KWWWWWWWWWWWWWWWWK."
  ".KKKKKKKKKKKKKKKKKK."
  "...................."
  "...................."
  "....................")

# Contents: a blue disc with a white question mark.
set(glyph2
  "...................."
  ".......KKKKKK......."
  ".....KKBBBBBBKK....."
  "....KBBBBBBBBBBK...."
  "...KBBBBWWWWBBBBK..."
  "..KBBBBWWWWWWBBBBK.."
  "..KBBBWWWBBWWWBBBK.."
  ".KBBBBWWBBBBWWBBBBK."
  ".KBBBBBBBBBWWWBBBBK."
  ".KBBBBBBBBWWWBBBBBK."
  ".KBBBBBBBWWWBBBBBBK."
  ".KBBBBBBBWWBBBBBBBK."
  ".KBBBBBBBWWBBBBBBBK."
  "..KBBBBBBBBBBBBBBK.."
  "..KBBBBBBWWBBBBBBK.."
  "...KBBBBBWWBBBBBK..."
  "....KBBBBBBBBBBK...."
  ".....KKBBBBBBKK....."
  ".......KKKKKK......."
  "....................")

# Setup: a grey gear.
set(glyph4
  "...................."
  "........KKKK........"
  "...KK...KggK...KK..."
  "..KggK.KKggKK.KggK.."
  "..KgggKggggggKgggK.."
  "...KggggggggggggK..."
  "...KgggggKKggggGK..."
  "..KggggKKDDKKggGGK.."
  "KKKgggKD....DKgGGKKK"
  "KgggggK......KgGGGGK"
  "KgggggK......KgGGGGK"
  "KKKgggKD....DKGGGKKK"
  "..KgggGKKDDKKGGGGK.."
  "...KgggGGKKGGGGGK..."
  "...KggGGGGGGGGGGK..."
  "..KgggKGGGGGGKGGGK.."
  "..KggK.KKGGKK.KGGK.."
  "...KK...KGGK...KK..."
  "........KKKK........"
  "....................")

# Exit: an open door with a green arrow leading out.
set(glyph5
  "...................."
  "..KKKKKKKKKK........"
  "..KoooooooooK......."
  "..KoKKKKKKKoK......."
  "..KoKnnnnnKoK......."
  "..KoKnnnnnKoK..K...."
  "..KoKnnnnnKoK..KK..."
  "..KoKnnnnnKoK..KEK.."
  "..KoKnnnnKKKKKKKEEK."
  "..KoKnnnnKEEEEEEEEEK"
  "..KoKnnYnKEEEEEEEEEK"
  "..KoKnnnnKKKKKKKEEK."
  "..KoKnnnnnKoK..KEK.."
  "..KoKnnnnnKoK..KK..."
  "..KoKnnnnnKoK..K...."
  "..KoKnnnnnKoK......."
  "..KoKKKKKKKoK......."
  "..KoooooooooK......."
  "..KKKKKKKKKKK......."
  "....................")

# View: a green play triangle.
set(glyph6
  "...................."
  "...KK..............."
  "...KeKK............."
  "...KeEEKK..........."
  "...KeEEEEKK........."
  "...KeEEEEEEKK......."
  "...KeEEEEEEEEKK....."
  "...KeEEEEEEEEEEKK..."
  "...KeEEEEEEEEEEEEKK."
  "...KeEEEEEEEEEEEEEEK"
  "...KeEEEEEEEEEEEEEEK"
  "...KeEEEEEEEEEEEEKK."
  "...KeEEEEEEEEEEKK..."
  "...KeEEEEEEEEKK....."
  "...KeEEEEEEKK......."
  "...KeEEEEKK........."
  "...KeEEKK..........."
  "...KeKK............."
  "...KK..............."
  "....................")

# Save: a floppy disk, its label at the top and its shutter below.
set(glyph7
  "...................."
  "..KKKKKKKKKKKKKKKK.."
  "..KBKWWWWWWWWWWKBK.."
  "..KBKWWWWWWWWWWKBK.."
  "..KBKWGGGGGGGGWKBK.."
  "..KBKWWWWWWWWWWKBK.."
  "..KBKWGGGGGGGGWKBK.."
  "..KBKWWWWWWWWWWKBK.."
  "..KBBKKKKKKKKKKBBK.."
  "..KBBBBBBBBBBBBBBK.."
  "..KBBBBBBBBBBBBBBK.."
  "..KBBBKKKKKKKKBBBK.."
  "..KBBBKgggggDDKBBK.."
  "..KBBBKgggggDDKBBK.."
  "..KBBBKgggggDDKBBK.."
  "..KBBBKgggggggKBBK.."
  "..KKBBKgggggggKBBK.."
  "...KKKKKKKKKKKKKKK.."
  "...................."
  "....................")

# Open: an open yellow folder.
set(glyph8
  "...................."
  "...................."
  "...................."
  "..KKKKK............."
  ".KYYYYYK............"
  ".KYWWWWYKKKKKKKK...."
  ".KYWYYYYYYYYYYYK...."
  ".KYWYYYYYYYYYYYK...."
  ".KYWYYKKKKKKKKKKKKKK"
  ".KYWYKYYYYYYYYYYYYyK"
  ".KYWYKYYYYYYYYYYYYyK"
  ".KYWKYYYYYYYYYYYYyK."
  ".KYWKYYYYYYYYYYYYyK."
  ".KYKYYYYYYYYYYYYyK.."
  ".KYKYYYYYYYYYYYYyK.."
  ".KKYYYYYYYYYYYYyK..."
  ".KKyyyyyyyyyyyyK...."
  ".KKKKKKKKKKKKKK....."
  "...................."
  "....................")

# Insert: a new page with a green plus.
set(glyph10
  "..KKKKKKKKK........."
  "..KWWWWWWWKK........"
  "..KWWWWWWWKgK......."
  "..KWWWWWWWKggK......"
  "..KWWWWWWWKKKKK....."
  "..KWWWWWWWWWWWK....."
  "..KWWWWWWWWWWWK....."
  "..KWWWWWWWWWWWK....."
  "..KWWWWWWWWWWWK....."
  "..KWWWWWWWWKKKKK...."
  "..KWWWWWWWWKEEEK...."
  "..KWWWWWWWWKEEEK...."
  "..KWWWWWWKKKEEEKKK.."
  "..KWWWWWWKEEEEEEEK.."
  "..KWWWWWWKEEEEEEEK.."
  "..KWWWWWWKEEEEEEEK.."
  "..KKKKKKKKKKEEEKKK.."
  "...........KEEEK...."
  "...........KEEEK...."
  "...........KKKKK....")

# Delete: a page crossed out in red.
set(glyph11
  "..KKKKKKKKK........."
  "..KWWWWWWWKK........"
  "..KWWWWWWWKgK......."
  "..KWWWWWWWKggK......"
  "..KWWWWWWWKKKKK....."
  "..KWWWWWWWWWWWK....."
  "..KWWWWWWWWWWWK....."
  "..KWWWWWWWWWWWK....."
  "..KWWWWWWWWWWWK....."
  "..KWWWWWRRWWWWWWRR.."
  "..KWWWWWRRRWWWWRRR.."
  "..KWWWWWWRRRWWRRR..."
  "..KWWWWWWWRRRRRR...."
  "..KWWWWWWWWRRRR....."
  "..KWWWWWWWWRRRR....."
  "..KWWWWWWWRRRRRR...."
  "..KKKKKKKRRRKKRRR..."
  "........RRR....RRR.."
  "........RR......RR.."
  "....................")
