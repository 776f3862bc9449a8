# The layers from the bottom, and what each may use, by include and by link:
# common; document; codecs (alone, beside document); media; the runtime; the
# interpreter; the player; the editor shell; the page and object editors; the
# authoring tools; the programs' entry points on top. Read by the include
# check and by the link check, so both hold the same rule.
set(SB_LAYERS common document codecs media runtime applet player editor editors tools programs)
set(SB_BELOW_common "")
set(SB_BELOW_document common)
set(SB_BELOW_codecs "")
set(SB_BELOW_media common document codecs)
set(SB_BELOW_runtime common document codecs media)
set(SB_BELOW_applet common document codecs media runtime)
set(SB_BELOW_player common document codecs media runtime applet)
set(SB_BELOW_editor common document codecs media runtime applet)
set(SB_BELOW_editors common document codecs media runtime applet editor)
set(SB_BELOW_tools common document codecs media runtime applet editor editors)
set(SB_BELOW_programs common document codecs media runtime applet player editor editors tools)
