# Conduit records (portable) and the conduit manager (Windows).
